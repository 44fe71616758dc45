// rawinflate <input> <output>: decodes a raw DEFLATE stream (RFC 1951) into its bytes and
// prints one statistics line per block. The driver: files, buffers and the worker loop.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "block_loop.h"
#include "decode_outcome.h"
#include "decoder_state.h"
#include "stream_context.h"

namespace {

constexpr int EXIT_STREAM_FAULT = 1;
constexpr int EXIT_FILE_FAILURE = 2;

DecoderState state;
std::uint8_t input_buffer[BUFFER_SIZE];
std::uint8_t output_buffer[BUFFER_SIZE];

int report_system_error(const char* path, int error)
{
    std::fprintf(stderr, "rawinflate: %s: %s\n", path, std::strerror(error));
    return EXIT_FILE_FAILURE;
}

// Writes the first size bytes of the output buffer and points the context at it afresh.
bool write_output(std::FILE* output, std::size_t size)
{
    const bool written = std::fwrite(output_buffer, 1, size, output) == size;
    state.context.out_pos = state.context.out_begin = output_buffer;
    state.context.out_end = output_buffer + BUFFER_SIZE;
    return written;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return EXIT_FILE_FAILURE;
    const char* const input_path = argv[1];
    const char* const output_path = argv[2];
    std::FILE* const input = std::fopen(input_path, "rb");
    if (input == nullptr)
        return EXIT_FILE_FAILURE;
    std::FILE* const output = std::fopen(output_path, "wb");
    if (output == nullptr)
        return EXIT_FILE_FAILURE;

    StreamContext& context = state.context;
    context.out_pos = context.out_begin = output_buffer;
    context.out_end = output_buffer + BUFFER_SIZE;
    context.in_pos = context.in_begin = context.in_end = nullptr;
    context.status = STATUS_DONE;

    for (;;) {
        switch (switch_to_worker(&context, decoder_entry)) {
        case STATUS_NEED_INPUT: {
            const std::size_t size = std::fread(input_buffer, 1, BUFFER_SIZE, input);
            if (std::ferror(input))
                return report_system_error(input_path, errno);
            if (size == 0)
                context.end_of_input = 1;
            context.in_pos = context.in_begin = input_buffer;
            context.in_end = input_buffer + size;
            break;
        }
        case STATUS_OUTPUT_FULL:
            if (!write_output(output, BUFFER_SIZE))
                return report_system_error(output_path, errno);
            break;
        case STATUS_DONE: {
            const auto size = static_cast<std::size_t>(context.out_pos - output_buffer);
            if (!write_output(output, size) || std::fflush(output) != 0)
                return report_system_error(output_path, errno);
            if (std::fclose(output) != 0)
                return report_system_error(output_path, errno);
            std::fclose(input);
            if (decode_outcome.result == 0)
                return 0;
            std::fprintf(stderr, "rawinflate: %s: %s in block %u\n", input_path,
                         fault_text(decode_outcome), static_cast<unsigned>(decode_outcome.block));
            return EXIT_STREAM_FAULT;
        }
        default:
            break;
        }
    }
}
