// Replays a token stream byte by byte, the way any reader of the format would.
#include "token_replayer.h"

#include <algorithm>
#include <cstdio>

namespace test_support {

namespace {

ReplayedToken token_at(std::span<const std::uint8_t> stream, std::size_t index,
                       std::uint64_t position) {
    const std::uint8_t* const bytes = stream.data() + index * TOKEN_SIZE;
    return ReplayedToken{position, static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8),
                         static_cast<std::uint16_t>(bytes[2] | bytes[3] << 8)};
}

std::uint64_t covered_bytes(const ReplayedToken& token) {
    return token.distance == 0 ? 1 : token.value;
}

bool is_good(const ReplayedToken& token, std::uint64_t rebuilt) {
    if (token.distance == 0) return token.value <= 0xFF;
    return token.distance <= FARTHEST_DISTANCE && token.value >= SHORTEST_TOKEN_LENGTH &&
           token.value <= LONGEST_TOKEN_LENGTH && token.distance <= rebuilt;
}

std::string where(std::size_t index, std::uint64_t position) {
    char text[96];
    std::snprintf(text, sizeof text, "token %zu (stream offset %zu, input position %llu): ", index,
                  index * TOKEN_SIZE, static_cast<unsigned long long>(position));
    return text;
}

// What is wrong with a token that is not good after `rebuilt` bytes.
std::string token_fault(const ReplayedToken& token, std::uint64_t rebuilt) {
    char text[96];
    if (token.distance == 0)
        std::snprintf(text, sizeof text, "literal value 0x%04X has a non-zero fourth byte",
                      token.value);
    else if (token.distance > FARTHEST_DISTANCE)
        std::snprintf(text, sizeof text, "distance %u is outside 1..%u", token.distance,
                      FARTHEST_DISTANCE);
    else if (token.value < SHORTEST_TOKEN_LENGTH || token.value > LONGEST_TOKEN_LENGTH)
        std::snprintf(text, sizeof text, "length %u is outside %u..%u", token.value, SHORTEST_TOKEN_LENGTH,
                      LONGEST_TOKEN_LENGTH);
    else
        std::snprintf(text, sizeof text, "distance %u reaches before the input (%llu bytes so far)",
                      token.distance, static_cast<unsigned long long>(rebuilt));
    return text;
}

}  // namespace

Replay replay_tokens(std::span<const std::uint8_t> stream) {
    Replay replay;
    // First the tokens alone: whether one is good depends only on how many bytes precede it.
    const std::size_t count = stream.size() / TOKEN_SIZE;
    replay.tokens.resize(count);
    ReplayedToken* const tokens = replay.tokens.data();
    std::uint64_t rebuilt = 0;
    std::size_t good = 0;
    for (; good < count; ++good) {
        const ReplayedToken token = token_at(stream, good, rebuilt);
        if (!is_good(token, rebuilt)) {
            replay.error = where(good, rebuilt) + token_fault(token, rebuilt);
            break;
        }
        tokens[good] = token;
        rebuilt += covered_bytes(token);
    }
    replay.tokens.resize(good);
    if (replay.error.empty() && stream.size() % TOKEN_SIZE != 0)
        replay.error = "stream size " + std::to_string(stream.size()) + " is not a multiple of 4";

    replay.bytes.resize(rebuilt);
    std::uint8_t* out = replay.bytes.data();
    for (std::size_t index = 0; index < good; ++index) {
        const ReplayedToken& token = tokens[index];
        if (token.distance == 0) {
            *out++ = static_cast<std::uint8_t>(token.value);
            continue;
        }
        // One byte at a time: the source may overlap the bytes this match appends.
        for (std::uint32_t copied = 0; copied < token.value; ++copied, ++out)
            *out = out[-token.distance];
    }
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
        position += covered_bytes(want);
    }
    if (std::ranges::equal(actual, expected)) return {};
    if (actual.size() == expected.size()) return "the streams differ in a trailing partial token";
    return "stream sizes differ after " + std::to_string(std::min(actual_count, expected_count)) +
           " equal tokens: got " + std::to_string(actual.size()) + " bytes, expected " +
           std::to_string(expected.size());
}

}  // namespace test_support
