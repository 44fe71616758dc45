// Replays a token stream byte by byte, the way any reader of the format would.
#include "token_replayer.h"

#include <algorithm>
#include <cstdio>

namespace {

std::uint16_t little_endian_16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

ReplayedToken token_at(std::span<const std::uint8_t> stream, std::size_t index,
                       std::uint64_t position) {
    const std::size_t offset = index * TOKEN_SIZE;
    return ReplayedToken{position, little_endian_16(stream, offset),
                         little_endian_16(stream, offset + 2)};
}

std::string where(std::size_t index, std::uint64_t position) {
    char text[96];
    std::snprintf(text, sizeof text, "token %zu (stream offset %zu, input position %llu): ",
                  index, index * TOKEN_SIZE, static_cast<unsigned long long>(position));
    return text;
}

// Empty when the token may follow `rebuilt` bytes; otherwise what is wrong with it.
std::string token_fault(const ReplayedToken& token, std::uint64_t rebuilt) {
    char text[96];
    if (token.distance == 0) {
        if (token.value <= 0xFF) return {};
        std::snprintf(text, sizeof text, "literal value 0x%04X has a non-zero fourth byte",
                      token.value);
    } else if (token.distance > FARTHEST_DISTANCE) {
        std::snprintf(text, sizeof text, "distance %u is outside 1..%u", token.distance,
                      FARTHEST_DISTANCE);
    } else if (token.value < SHORTEST_MATCH || token.value > LONGEST_MATCH) {
        std::snprintf(text, sizeof text, "length %u is outside %u..%u", token.value,
                      SHORTEST_MATCH, LONGEST_MATCH);
    } else if (token.distance > rebuilt) {
        std::snprintf(text, sizeof text, "distance %u reaches before the input (%llu bytes so far)",
                      token.distance, static_cast<unsigned long long>(rebuilt));
    } else {
        return {};
    }
    return text;
}

}  // namespace

Replay replay_tokens(std::span<const std::uint8_t> stream) {
    Replay replay;
    const std::size_t count = stream.size() / TOKEN_SIZE;
    for (std::size_t index = 0; index < count; ++index) {
        const ReplayedToken token = token_at(stream, index, replay.bytes.size());
        const std::string fault = token_fault(token, replay.bytes.size());
        if (!fault.empty()) {
            replay.error = where(index, token.position) + fault;
            return replay;
        }
        replay.tokens.push_back(token);
        if (token.distance == 0) {
            replay.bytes.push_back(static_cast<std::uint8_t>(token.value));
            continue;
        }
        // One byte at a time: the source may overlap the bytes this match appends.
        for (std::uint32_t copied = 0; copied < token.value; ++copied)
            replay.bytes.push_back(replay.bytes[replay.bytes.size() - token.distance]);
    }
    if (stream.size() % TOKEN_SIZE != 0)
        replay.error = "stream size " + std::to_string(stream.size()) + " is not a multiple of 4";
    return replay;
}

std::string describe_token(const ReplayedToken& token) {
    char text[48];
    if (token.distance == 0)
        std::snprintf(text, sizeof text, "literal 0x%02X", token.value);
    else
        std::snprintf(text, sizeof text, "match (%u, %u)", token.distance, token.value);
    return text;
}

std::string first_token_difference(std::span<const std::uint8_t> actual,
                                   std::span<const std::uint8_t> expected) {
    const std::size_t actual_count = actual.size() / TOKEN_SIZE;
    const std::size_t expected_count = expected.size() / TOKEN_SIZE;
    std::uint64_t position = 0;
    for (std::size_t index = 0; index < std::min(actual_count, expected_count); ++index) {
        const ReplayedToken got = token_at(actual, index, position);
        const ReplayedToken want = token_at(expected, index, position);
        if (got.distance != want.distance || got.value != want.value)
            return where(index, position) + "got " + describe_token(got) + ", expected " +
                   describe_token(want);
        position += want.distance == 0 ? 1 : want.value;
    }
    if (std::ranges::equal(actual, expected)) return {};
    if (actual.size() == expected.size()) return "the streams differ in a trailing partial token";
    return "stream sizes differ after " + std::to_string(std::min(actual_count, expected_count)) +
           " equal tokens: got " + std::to_string(actual.size()) + " bytes, expected " +
           std::to_string(expected.size());
}
