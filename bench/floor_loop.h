// The floor of the benchmark table: the least work a byte-at-a-time decoder does for each
// output byte, namely one store into a 64 KiB history ring and one into a 64 KiB buffer.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t FLOOR_BLOCK_SIZE = 65536;
static_assert((FLOOR_BLOCK_SIZE & (FLOOR_BLOCK_SIZE - 1)) == 0, "the ring index is masked");

struct FloorLoop {
    std::uint8_t ring[FLOOR_BLOCK_SIZE];
    std::uint8_t output[FLOOR_BLOCK_SIZE];
    std::uint32_t ring_index;
    std::size_t output_fill;
};

// Passes [begin, end) byte by byte into the ring and the output buffer and hands every full
// buffer to flush. The full-buffer test after each byte, with a call behind it, is the shape
// of a decoder's output routine, and it keeps the compiler from turning the loop into block
// copies: the floor stays a byte loop. The indices live in locals so that the byte stores
// cannot alias them.
template <typename Flush>
void copy_through_ring(FloorLoop& loop, const std::uint8_t* begin, const std::uint8_t* end,
                       Flush&& flush) {
    std::uint32_t ring_index = loop.ring_index;
    std::size_t output_fill = loop.output_fill;
    for (const std::uint8_t* p = begin; p != end; ++p) {
        const std::uint8_t byte = *p;
        loop.ring[ring_index++ & (FLOOR_BLOCK_SIZE - 1)] = byte;
        loop.output[output_fill++] = byte;
        if (output_fill == FLOOR_BLOCK_SIZE) {
            flush(loop.output, FLOOR_BLOCK_SIZE);
            output_fill = 0;
        }
    }
    loop.ring_index = ring_index;
    loop.output_fill = output_fill;
}
