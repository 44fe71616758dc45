// The 4-byte token of the output file, and how one is stored in the token buffer.
#pragma once

#include <cstdint>

#include "stream_context.h"

namespace tokenize {

// A literal has distance 0 and the byte as value; a match has distance 1 to MAX_DISTANCE
// and its length as value. Both fields are stored little-endian.
struct Token {
    std::uint16_t distance;
    std::uint16_t value;
};

static_assert(sizeof(Token) == 4);
// The token buffer always fills on a token boundary, so no token is split across writes.
static_assert(worker::BUFFER_SIZE % sizeof(Token) == 0);

// Stores the token's four bytes at out and returns the position after them.
inline std::uint8_t* store_token(std::uint8_t* out, const Token token) {
    out[0] = static_cast<std::uint8_t>(token.distance);
    out[1] = static_cast<std::uint8_t>(token.distance >> 8);
    out[2] = static_cast<std::uint8_t>(token.value);
    out[3] = static_cast<std::uint8_t>(token.value >> 8);
    return out + sizeof(Token);
}

}  // namespace tokenize
