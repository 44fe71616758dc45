// Length-limited Huffman codes from symbol counts, and their canonical codes (RFC 1951
// section 3.2.2) bit-reversed for writing, since the stream takes a code's first bit lowest.
#pragma once

#include <cstdint>

namespace coder {

// The largest alphabet any code of the coder has (the fixed literal/length alphabet).
inline constexpr unsigned LARGEST_ALPHABET = 288;

// Optimal code lengths of at most `limit` bits (1..15) for the n counts (n <= 288 and
// n <= 2^limit): a symbol of count 0 gets length 0. Two or more counted symbols get a
// complete code; a single counted symbol gets length 1, the rest 0.
void limited_code_lengths(const std::uint32_t* counts, unsigned n, unsigned limit,
                          std::uint8_t* lengths);

// The canonical codes of the n lengths, each bit-reversed so that it can be written lowest
// bit first. Symbols of length 0 get code 0.
void canonical_codes(const std::uint8_t* lengths, unsigned n, std::uint16_t* codes);

}  // namespace coder
