// The code description of a dynamic block (RFC 1951 section 3.2.7).
#pragma once

#include <cstdint>

struct DecoderState;

// The most codes a description may declare, and the symbols of the code-length code.
inline constexpr unsigned MAX_LITLEN_CODES = 286;
inline constexpr unsigned MAX_DISTANCE_CODES = 30;
inline constexpr unsigned CODE_LENGTH_SYMBOLS = 19;

// The order in which the 3-bit lengths of the code-length code are sent.
inline constexpr std::uint16_t CODE_LENGTH_ORDER[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                        11, 4,  12, 3, 13, 2, 14, 1, 15};

// Reads the code description that follows a type 2 block header and leaves the block's
// codes in litlen_table and distance_table. Returns 0, or ERR_TOO_MANY_CODES ..
// ERR_INVALID_SYMBOL at the first fault.
std::int32_t read_dynamic_header(DecoderState& state);
