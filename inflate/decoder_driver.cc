// The decoder's driver loop, the one place that switches to the worker, and the two
// static buffers it owns.
#include "decoder_driver.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "block_loop.h"
#include "decoder_state.h"
#include "stream_context.h"

namespace {

DecoderState state;
std::uint8_t input_buffer[BUFFER_SIZE];
std::uint8_t output_buffer[BUFFER_SIZE];

// Writes the first size bytes of the output buffer and points the context at it afresh.
// Returns 0, or the error number of a short write.
int write_output(std::FILE* output, std::size_t size) {
    const bool written = std::fwrite(output_buffer, 1, size, output) == size;
    state.context.out_pos = state.context.out_begin = output_buffer;
    state.context.out_end = output_buffer + BUFFER_SIZE;
    return written ? 0 : errno != 0 ? errno : EIO;
}

std::size_t decoded_in_buffer() {
    return static_cast<std::size_t>(state.context.out_pos - output_buffer);
}

}  // namespace

void reset_decoder(DecoderState& decoder, std::uint8_t* output, std::FILE* statistics,
                   bool strict) {
    StreamContext& context = decoder.context;
    context.out_pos = context.out_begin = output;
    context.out_end = output + BUFFER_SIZE;
    context.in_pos = context.in_begin = context.in_end = nullptr;
    context.end_of_input = 0;
    context.status = STATUS_DONE;
    decoder.statistics = statistics;
    decoder.strict = strict ? 1 : 0;
}

DecodeFileResult decode_file(std::FILE* input, std::FILE* output, std::FILE* statistics) {
    // Zero at program start already; cleared again so one process can decode several
    // streams, each with a history that reads as zero bytes where nothing was written.
    std::memset(&state, 0, sizeof state);
    reset_decoder(state, output_buffer, statistics, false);
    StreamContext& context = state.context;
    std::uint64_t bytes_read = 0;

    for (;;) {
        switch (switch_to_worker(&context, decoder_entry)) {
        case STATUS_NEED_INPUT: {
            const std::size_t size = std::fread(input_buffer, 1, BUFFER_SIZE, input);
            if (std::ferror(input)) {
                const int error = errno;
                // What was decoded before the error is kept; a write error then wins.
                if (const int write_error = write_output(output, decoded_in_buffer()); write_error != 0)
                    return DecodeFileResult{DecodeFileOutcome::write_failed, write_error, {}, 0};
                return DecodeFileResult{DecodeFileOutcome::read_failed, error, {}, 0};
            }
            if (size == 0) context.end_of_input = 1;
            bytes_read += size;
            context.in_pos = context.in_begin = input_buffer;
            context.in_end = input_buffer + size;
            break;
        }
        case STATUS_OUTPUT_FULL:
            if (const int error = write_output(output, BUFFER_SIZE); error != 0)
                return DecodeFileResult{DecodeFileOutcome::write_failed, error, {}, 0};
            break;
        case STATUS_DONE: {
            const std::uint64_t unread = static_cast<std::uint64_t>(context.in_end - context.in_pos);
            if (const int error = write_output(output, decoded_in_buffer()); error != 0)
                return DecodeFileResult{DecodeFileOutcome::write_failed, error, {}, 0};
            return DecodeFileResult{DecodeFileOutcome::finished, 0, state.outcome, bytes_read - unread};
        }
        default:
            // No worker yields another status; the next pass resumes it at once.
            break;
        }
    }
}
