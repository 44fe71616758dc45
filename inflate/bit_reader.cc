// The bit reader's ways out of the worker: the wait for a refill, and the end of decoding.
#include "bit_reader.h"

#include <cstdlib>

namespace inflate {

void wait_for_input(DecoderState& state) {
    worker::yield_to_driver(&state.context, worker::STATUS_NEED_INPUT);
    // A refill of no bytes is the end of the input file, met before the final block.
    if (state.context.in_pos >= state.context.in_end) finish_decoding(state, ERR_INPUT_ENDED);
}

void finish_decoding(DecoderState& state, std::int32_t result) {
    state.outcome.result = result;
    worker::yield_to_driver(&state.context, worker::STATUS_DONE);
    // The driver never resumes a worker that has reported STATUS_DONE.
    std::abort();
}

}  // namespace inflate
