// The tokenizer worker: a greedy LZ77 parse with hash chains, written as tokens.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "tokenizer_state.h"

namespace tokenize {

// The hash of the three bytes at bytes[0..2]; only the low 5 bits of the first survive.
inline std::uint32_t hash3(const std::uint8_t* bytes) {
    return ((((std::uint32_t{bytes[0]} << 5) ^ bytes[1]) << 5) ^ bytes[2]) & (HASH_SIZE - 1);
}

// Makes position, whose three bytes hash to hash, the newest entry of its chain.
inline void insert_position(TokenizerState& state, const std::uint32_t position,
                            const std::uint32_t hash) {
    state.chain_links[position & (HASH_SIZE - 1)] = state.hash_heads[hash];
    state.hash_heads[hash] = position;
}

// The number of equal bytes at the start of here and earlier, at most max_length. It
// compares eight bytes at a time and so may read up to 7 bytes past here + max_length.
inline std::uint32_t match_length(const std::uint8_t* here, const std::uint8_t* earlier,
                                  const std::uint32_t max_length) {
    std::uint32_t length = 0;
    while (length < max_length) {
        std::uint64_t ahead;
        std::uint64_t behind;
        std::memcpy(&ahead, here + length, sizeof ahead);
        std::memcpy(&behind, earlier + length, sizeof behind);
        const std::uint64_t difference = ahead ^ behind;
        if (difference != 0) {
            const int zero_bits = std::endian::native == std::endian::little
                                      ? std::countr_zero(difference)
                                      : std::countl_zero(difference);
            return std::min(length + static_cast<std::uint32_t>(zero_bits) / 8, max_length);
        }
        length += sizeof ahead;
    }
    return max_length;
}

// The worker entry: tokenizes everything the driver hands over, yields STATUS_DONE once
// the driver has set end_of_input, and never returns.
[[noreturn]] void tokenizer_worker(TokenizerState* state);

}  // namespace tokenize
