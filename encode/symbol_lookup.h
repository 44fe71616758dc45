// Which symbol and extra bits stand for a match's length and distance, looked up rather than
// searched, over RFC 1951's alphabet.
#pragma once

#include <array>
#include <cstdint>

#include "alphabet.h"

namespace coder {

using deflate::CODE_LENGTH_ORDER;
using deflate::CODE_LENGTH_SYMBOLS;
using deflate::DISTANCE_BASE;
using deflate::DISTANCE_EXTRA;
using deflate::DISTANCE_SYMBOLS;
using deflate::END_OF_BLOCK;
using deflate::FIRST_LENGTH_SYMBOL;
using deflate::FIXED_DISTANCE_LENGTH;
using deflate::FIXED_LITLEN_LENGTHS;
using deflate::FIXED_LITLEN_SYMBOLS;
using deflate::LARGEST_DISTANCE;
using deflate::LENGTH_BASE;
using deflate::LENGTH_EXTRA;
using deflate::LITLEN_SYMBOLS;
using deflate::MATCH_LENGTH_MAX;
using deflate::MATCH_LENGTH_MIN;
using deflate::MAX_CODE_LENGTH;
using deflate::MAX_CODE_LENGTH_CODE_LENGTH;

// A literal token's value is a byte.
inline constexpr unsigned LARGEST_LITERAL = 255;

// Index 0..28 of the length symbol (symbol minus 257) for each length 0..258.
inline constexpr std::array<std::uint8_t, MATCH_LENGTH_MAX + 1> LENGTH_INDEX = [] {
    std::array<std::uint8_t, MATCH_LENGTH_MAX + 1> index{};
    for (unsigned i = 0; i < LENGTH_BASE.size(); ++i)
        for (unsigned length = LENGTH_BASE[i]; length <= MATCH_LENGTH_MAX; ++length)
            index[length] = static_cast<std::uint8_t>(i);
    return index;
}();

// Distance symbols of distances 1..256 by distance - 1, and of 257..32768 by
// (distance - 1) / 128: every symbol from 16 on spans a multiple of 128 distances.
inline constexpr std::array<std::uint8_t, 256> NEAR_DISTANCE_SYMBOL = [] {
    std::array<std::uint8_t, 256> symbol{};
    for (unsigned i = 0; i < DISTANCE_SYMBOLS; ++i)
        for (unsigned d = DISTANCE_BASE[i]; d <= 256; ++d)
            symbol[d - 1] = static_cast<std::uint8_t>(i);
    return symbol;
}();
inline constexpr std::array<std::uint8_t, 256> FAR_DISTANCE_SYMBOL = [] {
    std::array<std::uint8_t, 256> symbol{};
    for (unsigned k = 0; k < symbol.size(); ++k) {
        unsigned i = 0;
        while (i + 1 < DISTANCE_SYMBOLS && DISTANCE_BASE[i + 1] <= k * 128 + 1) ++i;
        symbol[k] = static_cast<std::uint8_t>(i);
    }
    return symbol;
}();

inline unsigned distance_symbol(const unsigned distance) {
    return distance <= 256 ? NEAR_DISTANCE_SYMBOL[distance - 1]
                           : FAR_DISTANCE_SYMBOL[(distance - 1) >> 7];
}

}  // namespace coder
