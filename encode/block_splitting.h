// The coder worker: cuts the token stream into blocks of at most BLOCK_TOKEN_BOUND tokens
// and codes each; the last is marked final.
#pragma once

#include "coder_state.h"

namespace coder {

// The worker entry routine that start_worker calls. Never returns: its last act is
// yielding STATUS_DONE, with every byte of the stream in the output buffer or written.
[[noreturn]] void coder_worker(CoderState* state);

}  // namespace coder
