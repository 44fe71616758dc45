// The tokenizer's driver and the token buffer that the worker fills.
#include "tokenizer_driver.h"

#include <cstdint>

#include "input_window.h"
#include "match_finder.h"

namespace tokenize {

namespace {

TokenizerState state;
alignas(64) std::uint8_t token_buffer[BUFFER_SIZE];

[[noreturn]] void run_tokenizer_worker(StreamContext* context) {
    tokenizer_worker(reinterpret_cast<TokenizerState*>(context));
}

}  // namespace

TokenizeResult tokenize_file(std::FILE* input, std::FILE* output, std::FILE* trace,
                             const std::int32_t level) {
    InputWindow window = start_input(state);
    state.level = level;
    StreamContext& context = state.context;
    context.out_pos = context.out_begin = token_buffer;
    context.out_end = token_buffer + BUFFER_SIZE;
    context.status = worker::STATUS_DONE;

    // The window's own refill rule: the history and held-back bytes carried, one 64 KiB read,
    // the trace line.
    const worker::DriveResult driven = worker::drive_worker(
        context, run_tokenizer_worker,
        [&](StreamContext&) { return refill_input(window, state, input, trace); },
        worker::writing_to(output));
    return TokenizeResult{driven.outcome, driven.error};
}

}  // namespace tokenize
