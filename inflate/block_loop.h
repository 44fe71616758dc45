// The decoder worker: its entry routine and the loop over the blocks of one stream, on top of
// the bit reader, the tables and the block decoders.
#pragma once

#include <cstdint>

#include "stream_context.h"

namespace inflate {

struct DecoderState;

// Decodes blocks until the final one, printing one statistics line per block that ends
// without error to the state's statistics stream. Returns 0 after the final block, else the
// first fault met.
std::int32_t decode_blocks(DecoderState& state);

// Clears the counters and the outcome, decodes the stream, records the outcome in the state
// and yields STATUS_DONE. Never returns.
[[noreturn]] void decoder_worker(DecoderState* state);

// The WorkerEntry for the driver loop: the context is the head of a DecoderState.
[[noreturn]] void decoder_entry(worker::StreamContext* context);

}  // namespace inflate
