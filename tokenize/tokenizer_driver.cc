// The tokenizer's driver loop, the one place that switches to the worker, and the token
// buffer that the worker fills.
#include "tokenizer_driver.h"

#include <cerrno>
#include <cstdint>

#include "input_window.h"
#include "match_finder.h"

namespace {

TokenizerState state;
alignas(64) std::uint8_t token_buffer[BUFFER_SIZE];

[[noreturn]] void run_tokenizer_worker(StreamContext* context) {
    tokenizer_worker(reinterpret_cast<TokenizerState*>(context));
}

void reset_token_buffer(StreamContext& context) {
    context.out_pos = token_buffer;
    context.out_begin = token_buffer;
    context.out_end = token_buffer + BUFFER_SIZE;
}

// Returns 0, or the error number of a short write.
int write_tokens(std::FILE* output, const std::size_t count) {
    if (std::fwrite(token_buffer, 1, count, output) == count) return 0;
    return errno != 0 ? errno : EIO;
}

}  // namespace

TokenizeResult tokenize_file(std::FILE* input, std::FILE* output, std::FILE* trace) {
    InputWindow window = start_input(state);
    reset_token_buffer(state.context);
    state.context.status = STATUS_DONE;

    for (;;) {
        switch (switch_to_worker(&state.context, run_tokenizer_worker)) {
        case STATUS_NEED_INPUT:
            if (const int error = refill_input(window, state, input, trace); error != 0) {
                // The tokens made before the failure are the user's; the read error is
                // still the failure reported, whatever the write does.
                const auto made = static_cast<std::size_t>(state.context.out_pos - token_buffer);
                write_tokens(output, made);
                return TokenizeResult{TokenizeOutcome::read_failed, error};
            }
            break;
        case STATUS_OUTPUT_FULL:
            if (const int error = write_tokens(output, BUFFER_SIZE); error != 0)
                return TokenizeResult{TokenizeOutcome::write_failed, error};
            reset_token_buffer(state.context);
            break;
        case STATUS_DONE: {
            const auto count = static_cast<std::size_t>(state.context.out_pos - token_buffer);
            if (const int error = write_tokens(output, count); error != 0)
                return TokenizeResult{TokenizeOutcome::write_failed, error};
            return TokenizeResult{TokenizeOutcome::finished, 0};
        }
        default:
            // No worker yields another status; the next pass resumes it at once.
            break;
        }
    }
}
