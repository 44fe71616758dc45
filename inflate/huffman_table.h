// Canonical Huffman codes (RFC 1951 section 3.2.2) held as a count of codes per length and
// the symbols in code order, built from code lengths and decoded one bit at a time.
#pragma once

#include <cstdint>

#include "alphabet.h"

namespace inflate {

using deflate::MAX_CODE_LENGTH;
// The largest alphabet: the fixed literal/length code's.
inline constexpr unsigned MAX_SYMBOLS = deflate::FIXED_LITLEN_SYMBOLS;

struct HuffmanTable {
    // count[L]: codes of length L for L = 1..15; count[0]: symbols of the last build
    // that got no code.
    std::uint16_t count[MAX_CODE_LENGTH + 1];
    // The coded symbols by code length, then by symbol value.
    std::uint16_t symbol[MAX_SYMBOLS];
};

struct DecoderState;

// Counts and places the n lengths (1 <= n <= 288, each 0..15) and returns the code space
// left over in units of 15-bit codes: 0 complete (or no codes at all), positive incomplete,
// negative over-subscribed, in which case no symbol is placed.
std::int32_t build_huffman_table(HuffmanTable& table, const std::uint16_t* lengths, unsigned n);

// Takes the next code from the state's bit reader, first bit most significant, and returns
// its symbol, or ERR_INVALID_SYMBOL once 15 bits have matched no code. May suspend the
// worker for input.
std::int32_t decode_symbol(DecoderState& state, const HuffmanTable& table);

// Fills the state's two tables with the fixed codes of RFC 1951 section 3.2.6.
void build_fixed_tables(DecoderState& state);

// The canonical walk, one step per code bit: after the step for length L, code holds the
// first L bits, limit the first code of length L plus count[L], and index the number of
// codes of length L or shorter. The code is L bits long as soon as code < limit.
struct CodeWalk {
    std::uint32_t code;
    std::uint32_t limit;
    std::uint32_t index;
};

inline bool extend_code(CodeWalk& walk, std::uint32_t bit, std::uint32_t count) {
    walk.code = 2 * walk.code + bit;
    walk.limit = 2 * walk.limit + count;
    walk.index += count;
    return walk.code < walk.limit;
}

inline std::int32_t code_symbol(const HuffmanTable& table, const CodeWalk& walk) {
    return table.symbol[walk.index + walk.code - walk.limit];
}

}  // namespace inflate
