// The whole state of the tokenizer worker, and the sizes that fix its matches and window.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "alphabet.h"
#include "stream_context.h"

namespace tokenize {

using worker::StreamContext;

// The matches a DEFLATE stream can code.
inline constexpr std::uint32_t MIN_MATCH = deflate::MATCH_LENGTH_MIN;
inline constexpr std::uint32_t MAX_MATCH = deflate::MATCH_LENGTH_MAX;
inline constexpr std::uint32_t HASH_SIZE = 32768;
// A candidate must lie fewer than WINDOW_LIMIT positions back.
inline constexpr std::uint32_t WINDOW_LIMIT = 32506;
inline constexpr std::uint32_t MAX_DISTANCE = WINDOW_LIMIT - 1;

// A position's chain slot (position AND HASH_SIZE - 1) is only reused HASH_SIZE positions
// later, by which time the position has left the window: chains met through the window
// always run from newer to strictly older positions.
static_assert(WINDOW_LIMIT <= HASH_SIZE);
static_assert((HASH_SIZE & (HASH_SIZE - 1)) == 0);

struct TokenizerState {
    StreamContext context;
    std::int32_t level;  // set by the driver before the start; MIN_LEVEL to MAX_LEVEL
    std::array<std::uint32_t, HASH_SIZE> hash_heads;
    std::array<std::uint32_t, HASH_SIZE> chain_links;
    std::uint32_t insert_limit;
    std::uint32_t reduce_threshold;
    std::uint32_t stop_length;
    std::uint32_t chain_budget;
    std::uint32_t previous_length;
    std::uint32_t match_position;
    // One past the last input byte read so far, set by the driver at every refill that
    // hands over bytes. In the last block it equals in_end and bounds every comparison; in
    // the others it lies HOLD_BACK bytes past in_end and never cuts a comparison short.
    const std::uint8_t* data_end;
};

// The worker is handed the context pointer and takes it for the whole record.
static_assert(std::is_standard_layout_v<TokenizerState>);
static_assert(offsetof(TokenizerState, context) == 0);

}  // namespace tokenize
