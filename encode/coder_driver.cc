// The coder's driver loop, the one place that switches to the worker, and the two static
// buffers it owns.
#include "coder_driver.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "block_splitting.h"

namespace coder {

namespace {

CoderState state;
std::uint8_t input_buffer[BUFFER_SIZE];
std::uint8_t output_buffer[BUFFER_SIZE];

// Whole tokens fill the input buffer, so only the end of the input can split one.
static_assert(BUFFER_SIZE % sizeof(Token) == 0);

void run_coder_worker(StreamContext* context) {
    coder_worker(reinterpret_cast<CoderState*>(context));
}

// Writes the first size bytes of the output buffer and points the context at it afresh.
// Returns 0, or the error number of a short write.
int write_output(std::FILE* output, const std::size_t size) {
    const bool written = std::fwrite(output_buffer, 1, size, output) == size;
    state.context.out_pos = state.context.out_begin = output_buffer;
    state.context.out_end = output_buffer + BUFFER_SIZE;
    return written ? 0 : errno != 0 ? errno : EIO;
}

}  // namespace

CodeFileResult code_token_file(std::FILE* input, std::FILE* output, std::FILE* lines,
                               const BlockCoding coding) {
    // Zero at program start already; cleared again so one process can code several files.
    std::memset(&state, 0, sizeof state);
    state.coding = coding;
    state.lines = lines;
    StreamContext& context = state.context;
    context.out_pos = context.out_begin = output_buffer;
    context.out_end = output_buffer + BUFFER_SIZE;
    context.in_pos = context.in_begin = context.in_end = nullptr;
    context.status = STATUS_DONE;

    for (;;) {
        switch (switch_to_worker(&context, run_coder_worker)) {
        case STATUS_NEED_INPUT: {
            const std::size_t size = std::fread(input_buffer, 1, BUFFER_SIZE, input);
            if (std::ferror(input)) return CodeFileResult{CodeFileOutcome::read_failed, errno, {}};
            if (size == 0) context.end_of_input = 1;
            context.in_pos = context.in_begin = input_buffer;
            context.in_end = input_buffer + size;
            break;
        }
        case STATUS_OUTPUT_FULL:
            if (const int error = write_output(output, BUFFER_SIZE); error != 0)
                return CodeFileResult{CodeFileOutcome::write_failed, error, {}};
            break;
        case STATUS_DONE: {
            const auto size = static_cast<std::size_t>(context.out_pos - output_buffer);
            if (const int error = write_output(output, size); error != 0)
                return CodeFileResult{CodeFileOutcome::write_failed, error, {}};
            if (state.fault.problem != TokenProblem::none)
                return CodeFileResult{CodeFileOutcome::invalid_token, 0, state.fault};
            return CodeFileResult{CodeFileOutcome::finished, 0, {}};
        }
        default:
            // No worker yields another status; the next pass resumes it at once.
            break;
        }
    }
}

}  // namespace coder
