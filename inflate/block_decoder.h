// The data of a Huffman-coded block: literals, and back-references copied out of history.
#pragma once

#include <cstdint>

struct DecoderState;

// RFC 1951 section 3.2.5: lengths of symbols 257..285 and distances of symbols 0..29.
inline constexpr std::uint16_t LENGTH_BASE[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                  15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                  67, 83, 99, 115, 131, 163, 195, 227, 258};
inline constexpr std::uint16_t LENGTH_EXTRA[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                   2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
inline constexpr std::uint16_t DISTANCE_BASE[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
inline constexpr std::uint16_t DISTANCE_EXTRA[30] = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                     4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                     9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Decodes one block's data with the tables in the state, up to and including the
// end-of-block code. Returns 0, or ERR_INVALID_SYMBOL for a code the tables cannot resolve
// or literal/length symbol 286 or 287.
std::int32_t decode_huffman_block(DecoderState& state);
