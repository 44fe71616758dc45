// RFC 1951's alphabet, written once for every part of the kit that reads or writes DEFLATE:
// the block types, the symbols and their ranges, the length and distance tables, the order
// of the code-length code lengths, and the fixed codes' lengths.
#pragma once

#include <array>
#include <cstdint>

namespace deflate {

// Block types, RFC 1951 section 3.2.3: the 2 bits after BFINAL.
inline constexpr std::uint32_t STORED_BLOCK = 0;
inline constexpr std::uint32_t FIXED_BLOCK = 1;
inline constexpr std::uint32_t DYNAMIC_BLOCK = 2;
inline constexpr std::uint32_t RESERVED_BLOCK = 3;
inline constexpr unsigned BLOCK_HEADER_BITS = 3;

// The literal/length alphabet, RFC 1951 section 3.2.5: literals 0..255, end of block 256,
// lengths 257..285. The fixed code also gives 286 and 287 codes, which never occur.
inline constexpr unsigned END_OF_BLOCK = 256;
inline constexpr unsigned FIRST_LENGTH_SYMBOL = 257;
inline constexpr unsigned LENGTH_SYMBOLS = 29;
inline constexpr unsigned LITLEN_SYMBOLS = FIRST_LENGTH_SYMBOL + LENGTH_SYMBOLS;  // 286
inline constexpr unsigned FIXED_LITLEN_SYMBOLS = 288;
// Distance symbols 0..29; the fixed code gives 30 and 31 codes too, which never occur.
inline constexpr unsigned DISTANCE_SYMBOLS = 30;
inline constexpr unsigned FIXED_DISTANCE_SYMBOLS = 32;
// The code-length code of a dynamic block's description, RFC 1951 section 3.2.7.
inline constexpr unsigned CODE_LENGTH_SYMBOLS = 19;
// HLIT, HDIST and HCLEN count the lengths sent from these up.
inline constexpr unsigned FEWEST_LITLEN_CODES = 257;
inline constexpr unsigned FEWEST_DISTANCE_CODES = 1;
inline constexpr unsigned FEWEST_CODE_LENGTH_CODES = 4;
inline constexpr unsigned REPEAT_PREVIOUS = 16;  // 3..6 times the previous length, 2 extra bits
inline constexpr unsigned SHORT_ZERO_RUN = 17;   // 3..10 zeros, 3 extra bits
inline constexpr unsigned LONG_ZERO_RUN = 18;    // 11..138 zeros, 7 extra bits

// The longest codes: literal/length and distance codes, and the code-length code, whose
// lengths are 3-bit fields.
inline constexpr unsigned MAX_CODE_LENGTH = 15;
inline constexpr unsigned MAX_CODE_LENGTH_CODE_LENGTH = 7;

inline constexpr unsigned MATCH_LENGTH_MIN = 3;
inline constexpr unsigned MATCH_LENGTH_MAX = 258;
inline constexpr unsigned LARGEST_DISTANCE = 32768;
// LEN of a stored block is 16 bits, RFC 1951 section 3.2.4.
inline constexpr std::uint32_t LONGEST_STORED_BLOCK = 65535;

// RFC 1951 section 3.2.5: base length and extra bits of length symbols 257..285, indexed by
// symbol minus 257; and base distance and extra bits of distance symbols 0..29.
inline constexpr std::array<std::uint16_t, LENGTH_SYMBOLS> LENGTH_BASE = {
    3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31,
    35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
inline constexpr std::array<std::uint16_t, LENGTH_SYMBOLS> LENGTH_EXTRA = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
    3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
inline constexpr std::array<std::uint16_t, DISTANCE_SYMBOLS> DISTANCE_BASE = {
    1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193,
    257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
inline constexpr std::array<std::uint16_t, DISTANCE_SYMBOLS> DISTANCE_EXTRA = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6,
    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// RFC 1951 section 3.2.7: the order in which the 3-bit code-length code lengths are sent.
inline constexpr std::array<std::uint16_t, CODE_LENGTH_SYMBOLS> CODE_LENGTH_ORDER = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Extra bits after code-length symbols 16, 17 and 18, and the shortest and longest run each
// stands for: 3..6, 3..10, 11..138.
constexpr unsigned repeat_extra_bits(unsigned symbol) {
    return symbol == REPEAT_PREVIOUS ? 2 : symbol == SHORT_ZERO_RUN ? 3 : symbol == LONG_ZERO_RUN ? 7 : 0;
}
constexpr unsigned repeat_shortest_run(unsigned symbol) {
    return symbol == LONG_ZERO_RUN ? 11 : 3;
}
constexpr unsigned repeat_longest_run(unsigned symbol) {
    return repeat_shortest_run(symbol) + (1u << repeat_extra_bits(symbol)) - 1;
}
static_assert(repeat_longest_run(REPEAT_PREVIOUS) == 6 && repeat_longest_run(SHORT_ZERO_RUN) == 10 &&
              repeat_longest_run(LONG_ZERO_RUN) == 138);

// RFC 1951 section 3.2.6: the fixed literal/length code lengths; every fixed distance code
// has 5 bits.
inline constexpr std::array<std::uint8_t, FIXED_LITLEN_SYMBOLS> FIXED_LITLEN_LENGTHS = [] {
    std::array<std::uint8_t, FIXED_LITLEN_SYMBOLS> lengths{};
    for (unsigned s = 0; s < FIXED_LITLEN_SYMBOLS; ++s)
        lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    return lengths;
}();
inline constexpr std::uint8_t FIXED_DISTANCE_LENGTH = 5;

}  // namespace deflate
