// Bytes and bits in, bytes out: the decoder's only contact with the driver's buffers, and
// the only places besides the final yield where the worker is suspended.
#pragma once

#include <cstdint>

#include "decoder_state.h"

namespace inflate {

// Suspends the worker for a refill; ends decoding with ERR_INPUT_ENDED if the refill
// brought no byte. Kept out of line: it runs once per 64 KiB of input.
void wait_for_input(DecoderState& state);

// Records result in the state's outcome and yields STATUS_DONE, from any depth of the worker;
// the frames below are abandoned. Never returns.
[[noreturn]] void finish_decoding(DecoderState& state, std::int32_t result);

inline std::uint8_t next_input_byte(DecoderState& state) {
    if (state.context.in_pos >= state.context.in_end) [[unlikely]]
        wait_for_input(state);
    return *state.context.in_pos++;
}

// Fetches one byte above the bits held; only bytes fetched this way count in bytes_in.
inline void fetch_input_byte(DecoderState& state) {
    state.bit_buffer |= std::uint32_t{next_input_byte(state)} << state.bit_count;
    state.bit_count += 8;
    state.bytes_in += 1;
}

// The next n bits (0..13), first bit lowest. Fetches no byte before its bits are needed.
inline std::uint32_t get_bits(DecoderState& state, unsigned n) {
    while (state.bit_count < n)
        fetch_input_byte(state);
    const std::uint32_t value = state.bit_buffer & ((std::uint32_t{1} << n) - 1);
    state.bit_buffer >>= n;
    state.bit_count -= n;
    return value;
}

// The driver takes the buffer at the very moment it is full, so it always gets 64 KiB.
inline void yield_if_output_full(DecoderState& state) {
    if (state.context.out_pos >= state.context.out_end) [[unlikely]] {
        // Every driver flushes at least once per 64 KiB, so bytes_out never wraps unseen.
        if (state.bytes_out >= deflate::LARGEST_DISTANCE) state.history_filled = 1;
        worker::yield_to_driver(&state.context, worker::STATUS_OUTPUT_FULL);
    }
}

inline void put_output_byte(DecoderState& state, std::uint8_t value) {
    state.history[state.bytes_out & HISTORY_RING_MASK] = value;
    state.bytes_out += 1;
    *state.context.out_pos++ = value;
    yield_if_output_full(state);
}

}  // namespace inflate
