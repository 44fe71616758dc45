// The bit writer's out-of-line paths: storing a word of bits, and reaching a byte boundary.
#include "bit_writer.h"

#include <cstring>

namespace coder {

void store_bit_word(CoderState& state) {
    StreamContext& context = state.context;
    const auto word = static_cast<std::uint32_t>(state.bit_buffer);
    state.bit_buffer >>= 32;
    state.bit_count -= 32;
    if (context.out_end - context.out_pos > 4) {
        context.out_pos[0] = static_cast<std::uint8_t>(word);
        context.out_pos[1] = static_cast<std::uint8_t>(word >> 8);
        context.out_pos[2] = static_cast<std::uint8_t>(word >> 16);
        context.out_pos[3] = static_cast<std::uint8_t>(word >> 24);
        context.out_pos += 4;
        return;
    }
    for (unsigned shift = 0; shift < 32; shift += 8)
        put_output_byte(state, static_cast<std::uint8_t>(word >> shift));
}

void put_aligned_bytes(CoderState& state, const std::uint8_t* bytes, std::uint32_t n) {
    StreamContext& context = state.context;
    state.bit_position += std::uint64_t{n} * 8;
    while (n > 0) {
        // The buffer always has room for one byte: a full one is handed over at once.
        const auto room = static_cast<std::uint32_t>(context.out_end - context.out_pos);
        const std::uint32_t run = n < room ? n : room;
        std::memcpy(context.out_pos, bytes, run);
        context.out_pos += run;
        bytes += run;
        n -= run;
        if (context.out_pos >= context.out_end) yield_to_driver(&context, STATUS_OUTPUT_FULL);
    }
}

void flush_to_byte(CoderState& state) {
    const unsigned padding = (8 - state.bit_count % 8) % 8;
    state.bit_count += padding;
    state.bit_position += padding;
    while (state.bit_count > 0) {
        put_output_byte(state, static_cast<std::uint8_t>(state.bit_buffer));
        state.bit_buffer >>= 8;
        state.bit_count -= 8;
    }
}

std::size_t padded_held_bits(const CoderState& state, std::uint8_t bytes[4]) {
    const std::size_t count = (state.bit_count + 7) / 8;
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(state.bit_buffer >> (8 * i));
    return count;
}

}  // namespace coder
