// Bits and bytes out: the coder's only contact with the output buffer, and with the input
// buffer's refills the only places besides the final yield where the worker is suspended.
#pragma once

#include <cstddef>
#include <cstdint>

#include "coder_state.h"

namespace coder {

// Stores one byte in the output buffer; yields STATUS_OUTPUT_FULL right after the last
// byte of the buffer.
inline void put_output_byte(CoderState& state, const std::uint8_t byte) {
    StreamContext& context = state.context;
    *context.out_pos++ = byte;
    if (context.out_pos >= context.out_end) [[unlikely]]
        yield_to_driver(&context, STATUS_OUTPUT_FULL);
}

// Stores the low 32 bits held; kept out of line for the slow path near the buffer's end.
void store_bit_word(CoderState& state);

// Appends the low n bits of value (n <= 32), first bit lowest.
inline void put_bits(CoderState& state, const std::uint64_t value, const unsigned n) {
    state.bit_buffer |= value << state.bit_count;
    state.bit_count += n;
    state.bit_position += n;
    if (state.bit_count >= 32) store_bit_word(state);
}

// Pads with zero bits to the next byte boundary and stores every bit held, so that bytes
// can follow with put_output_byte.
void flush_to_byte(CoderState& state);

// Appends whole bytes at a byte boundary (after flush_to_byte).
inline void put_aligned_byte(CoderState& state, const std::uint8_t byte) {
    state.bit_position += 8;
    put_output_byte(state, byte);
}

// Appends n whole bytes at a byte boundary, in runs as long as the output buffer allows.
void put_aligned_bytes(CoderState& state, const std::uint8_t* bytes, std::uint32_t n);

// The bits held and not yet stored, padded with zero bits to whole bytes, at most 4 of them:
// for a driver that ends the stream where its input failed, with every bit coded so far.
std::size_t padded_held_bits(const CoderState& state, std::uint8_t bytes[4]);

// Bytes a reader has fetched once it has read the bits before bit_position, when it fetches
// a byte only for its first bit: the lines count a byte where its first bit lies.
inline std::uint64_t fetched_bytes(const std::uint64_t bit_position) {
    return (bit_position + 7) / 8;
}

}  // namespace coder
