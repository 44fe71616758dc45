// A model of lztokens' greedy hash-chain parse, written plainly and slowly over a whole
// input held in memory, so that the streaming program can be checked against it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace test_support {

inline constexpr int LOWEST_LEVEL = 0;
inline constexpr int HIGHEST_LEVEL = 9;

// The token stream lztokens writes for input at level (0 to 9), for inputs below 2 GiB.
std::vector<std::uint8_t> reference_parse(std::span<const std::uint8_t> input, int level);

}  // namespace test_support
