// The worker's block loop. A full block is coded only once one more good token has been
// read, so the block that ends the stream, at the end of input or before a bad token, is
// always the one marked final and never has to be followed by an empty one.
#include "block_splitting.h"

#include <cstdlib>

#include "bit_writer.h"
#include "block_writer.h"
#include "token_reader.h"

namespace coder {

void coder_worker(CoderState* state) {
    while (read_block_tokens(*state)) {
        write_token_block(*state, BLOCK_TOKEN_BOUND, false);
        state->block[0] = state->block[BLOCK_TOKEN_BOUND];
        state->block_size = 1;
    }
    if (state->block_size == 0)
        write_empty_final_block(*state);
    else
        write_token_block(*state, state->block_size, true);
    flush_to_byte(*state);
    yield_to_driver(&state->context, STATUS_DONE);
    // The driver never resumes a worker that has reported STATUS_DONE.
    std::abort();
}

}  // namespace coder
