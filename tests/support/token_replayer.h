// Reads lztokens' output format: 4-byte tokens, each a literal or a back-reference, that
// rebuild the input. Every token is checked, and the first bad one is described.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace test_support {

inline constexpr std::uint32_t TOKEN_SIZE = 4;
inline constexpr std::uint32_t SHORTEST_TOKEN_LENGTH = 3;
inline constexpr std::uint32_t LONGEST_TOKEN_LENGTH = 258;
inline constexpr std::uint32_t FARTHEST_DISTANCE = 32505;

// One token as it stands in the stream, with the input position of its first byte.
struct ReplayedToken {
    std::uint64_t position;
    std::uint16_t distance;  // 0 for a literal
    std::uint16_t value;     // the literal byte, or the match length
};

struct Replay {
    std::vector<std::uint8_t> bytes;    // the input rebuilt, up to the first bad token
    std::vector<ReplayedToken> tokens;  // the good tokens, in stream order
    std::string error;                  // empty when the whole stream is good
};

// Rebuilds the input from a token stream: a literal appends its byte; a match appends
// `value` bytes, each a copy of the byte `distance` places before the current end, so a
// distance below the length repeats the latest bytes. Stops at the first bad token.
Replay replay_tokens(std::span<const std::uint8_t> stream);

// "literal 0x61" or "match (3, 16)": the token as a reader of a failure message wants it.
std::string describe_token(const ReplayedToken& token);

// Empty when the two streams are equal; otherwise where and how they first differ.
std::string first_token_difference(std::span<const std::uint8_t> actual,
                                   std::span<const std::uint8_t> expected);

}  // namespace test_support
