// The DEFLATE alphabets as the coder needs them (RFC 1951 sections 3.2.5 to 3.2.7): which
// symbol and extra bits stand for a length or a distance, and the fixed code lengths.
#pragma once

#include <array>
#include <cstdint>

namespace coder {

inline constexpr unsigned END_OF_BLOCK_SYMBOL = 256;
inline constexpr unsigned FIRST_LENGTH_SYMBOL = 257;
inline constexpr unsigned LITLEN_SYMBOLS = 286;  // 0..285; 286 and 287 never occur
inline constexpr unsigned DISTANCE_SYMBOLS = 30;
inline constexpr unsigned CODE_LENGTH_SYMBOLS = 19;
inline constexpr unsigned FIXED_LITLEN_SYMBOLS = 288;

inline constexpr unsigned MATCH_LENGTH_MIN = 3;
inline constexpr unsigned MATCH_LENGTH_MAX = 258;
inline constexpr unsigned FARTHEST_MATCH = 32768;
inline constexpr unsigned LARGEST_LITERAL = 255;

inline constexpr unsigned LONGEST_CODE = 15;             // literal/length and distance codes
inline constexpr unsigned LONGEST_CODE_LENGTH_CODE = 7;  // the code-length code

// RFC 1951 section 3.2.5: base length and extra bits of length symbols 257..285.
inline constexpr std::array<std::uint16_t, 29> LENGTH_BASE = {
    3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31,
    35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
inline constexpr std::array<std::uint8_t, 29> LENGTH_EXTRA = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
    3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

// RFC 1951 section 3.2.5: base distance and extra bits of distance symbols 0..29.
inline constexpr std::array<std::uint16_t, 30> DISTANCE_BASE = {
    1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193,
    257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
inline constexpr std::array<std::uint8_t, 30> DISTANCE_EXTRA = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6,
    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// RFC 1951 section 3.2.7: the order in which the code-length code lengths are written.
inline constexpr std::array<std::uint8_t, 19> CODE_LENGTH_WRITE_ORDER = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

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

// RFC 1951 section 3.2.6: the fixed literal/length code lengths; every fixed distance code
// has 5 bits.
inline constexpr std::array<std::uint8_t, FIXED_LITLEN_SYMBOLS> FIXED_LITLEN_LENGTHS = [] {
    std::array<std::uint8_t, FIXED_LITLEN_SYMBOLS> lengths{};
    for (unsigned s = 0; s < FIXED_LITLEN_SYMBOLS; ++s)
        lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    return lengths;
}();
inline constexpr std::uint8_t FIXED_DISTANCE_LENGTH = 5;

}  // namespace coder
