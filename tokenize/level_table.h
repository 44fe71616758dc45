// The ten search levels of the tokenizer.
#pragma once

#include <array>
#include <cstdint>

namespace tokenize {

struct LevelRow {
    std::uint16_t reduce_threshold;
    std::uint16_t insert_limit;
    std::uint16_t stop_length;
    std::uint16_t chain_budget;
};

// This tool's own tuning; each row fixes the token stream of its level, so a row never
// changes. The rows are not ordered by effort: level 4 searches less than level 3.
inline constexpr std::array<LevelRow, 10> LEVEL_TABLE = {{
    {0, 0, 0, 0},
    {4, 4, 8, 4},
    {4, 5, 16, 8},
    {4, 6, 32, 32},
    {4, 4, 16, 16},
    {8, 16, 32, 32},
    {8, 16, 128, 128},
    {8, 32, 128, 256},
    {32, 128, 258, 1024},
    {32, 258, 258, 4096},
}};

inline constexpr std::int32_t MIN_LEVEL = 0;
inline constexpr std::int32_t MAX_LEVEL = static_cast<std::int32_t>(LEVEL_TABLE.size()) - 1;
inline constexpr std::int32_t DEFAULT_LEVEL = 3;

}  // namespace tokenize
