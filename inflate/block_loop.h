// The decoder worker: its entry routine and the loop over the blocks of one stream.
#pragma once

#include <cstdint>

#include "stream_context.h"

struct DecoderState;

// Decodes blocks until the final one, printing one statistics line per block that ends
// without error to the state's statistics stream. Returns 0 after the final block, else the
// first fault met.
std::int32_t decode_blocks(DecoderState& state);

// A fault that decoding can read through (ERR_STORED_LENGTH, ERR_DISTANCE_TOO_FAR): returned
// by a strict decoder, which ends there; otherwise recorded if it is the first, and 0.
std::int32_t read_through_fault(DecoderState& state, std::int32_t fault);

// Clears the counters and the outcome, decodes the stream, records the outcome in the state
// and yields STATUS_DONE. Never returns.
[[noreturn]] void decoder_worker(DecoderState* state);

// The WorkerEntry for switch_to_worker: the context is the head of a DecoderState.
[[noreturn]] void decoder_entry(StreamContext* context);

// Records result in the state's outcome and yields STATUS_DONE, from any depth of the worker;
// the frames below are abandoned. Never returns.
[[noreturn]] void finish_decoding(DecoderState& state, std::int32_t result);
