// Length-limited Huffman codes from symbol counts, and their canonical codes (RFC 1951
// section 3.2.2) bit-reversed for writing, since the stream takes a code's first bit lowest.
#pragma once

#include <cstdint>

#include "symbol_lookup.h"

namespace coder {

// The largest alphabet any code of the coder has (the fixed literal/length alphabet).
inline constexpr unsigned LARGEST_ALPHABET = FIXED_LITLEN_SYMBOLS;

// Optimal code lengths of at most `limit` bits (1..15) for the n counts (n <= 288 and
// n <= 2^limit): a symbol of count 0 gets length 0. Two or more counted symbols get a
// complete code; a single counted symbol gets length 1, the rest 0.
void limited_code_lengths(const std::uint32_t* counts, unsigned n, unsigned limit,
                          std::uint8_t* lengths);

// The canonical codes of the n lengths, each bit-reversed so that it can be written lowest
// bit first. Symbols of length 0 get code 0. Usable at compile time, for the fixed codes.
constexpr void canonical_codes(const std::uint8_t* lengths, const unsigned n, std::uint16_t* codes) {
    unsigned length_count[MAX_CODE_LENGTH + 1] = {};
    for (unsigned s = 0; s < n; ++s)
        length_count[lengths[s]] += 1;
    length_count[0] = 0;
    unsigned next_code[MAX_CODE_LENGTH + 1] = {};
    unsigned code = 0;
    for (unsigned length = 1; length <= MAX_CODE_LENGTH; ++length) {
        code = (code + length_count[length - 1]) << 1;
        next_code[length] = code;
    }
    for (unsigned s = 0; s < n; ++s) {
        const unsigned length = lengths[s];
        unsigned value = length == 0 ? 0 : next_code[length]++;
        unsigned reversed = 0;
        for (unsigned bit = 0; bit < length; ++bit, value >>= 1)
            reversed = (reversed << 1) | (value & 1);
        codes[s] = static_cast<std::uint16_t>(reversed);
    }
}

}  // namespace coder
