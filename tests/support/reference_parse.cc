// The parse position by position, with 64-bit positions and nothing streamed: no blocks,
// no held-back bytes, no sliding, so none of the program's buffering can leak into it.
#include "reference_parse.h"

#include <algorithm>
#include <stdexcept>

namespace test_support {

namespace {

struct SearchLimits {
    std::uint32_t reduce_threshold;
    std::uint32_t insert_limit;
    std::uint32_t stop_length;
    std::uint32_t chain_budget;
};

// The ten levels of lztokens, one row per level from 0 to 9.
constexpr SearchLimits LEVELS[] = {
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
};
static_assert(sizeof LEVELS / sizeof LEVELS[0] == HIGHEST_LEVEL + 1);

constexpr std::uint64_t HASH_VALUES = 32768;
constexpr std::uint64_t WINDOW = 32506;  // a candidate lies fewer positions back than this
constexpr std::uint64_t MAX_LENGTH = 258;
constexpr std::uint64_t MIN_LENGTH = 3;

// The tables and the output live in vectors sized once; the parse works through plain
// pointers into them, which keeps unoptimised test builds fast enough.
struct Parse {
    const std::uint8_t* input;
    std::uint64_t size;
    SearchLimits limits;
    std::uint64_t* heads;
    // One link per position instead of a 32,768-entry ring: a candidate is never more than
    // 32,505 positions back, so its ring slot would not have been reused yet, and both give
    // the same chains.
    std::uint64_t* links;
    std::uint8_t* out;  // next free byte of the token stream
};

// Past the end of the input the hash reads zeros; the hash of the last two positions
// cannot change the tokens, whatever it reads there.
std::uint32_t hash3(const Parse& parse, std::uint64_t position) {
    std::uint32_t bytes[3] = {0, 0, 0};
    for (std::uint64_t index = 0; index < 3; ++index)
        if (position + index < parse.size) bytes[index] = parse.input[position + index];
    return ((bytes[0] << 5 ^ bytes[1]) << 5 ^ bytes[2]) & 0x7FFF;
}

void insert(Parse& parse, std::uint64_t position) {
    const std::uint32_t hash = hash3(parse, position);
    parse.links[position] = parse.heads[hash];
    parse.heads[hash] = position;
}

// Equal bytes from the start, up to 258 and never past the end of the input.
std::uint64_t common_length(const Parse& parse, std::uint64_t position, std::uint64_t candidate) {
    const std::uint64_t most = std::min(MAX_LENGTH, parse.size - position);
    const std::uint8_t* const here = parse.input + position;
    const std::uint8_t* const there = parse.input + candidate;
    std::uint64_t length = 0;
    while (length < most && there[length] == here[length]) ++length;
    return length;
}

void emit(Parse& parse, std::uint64_t distance, std::uint64_t value) {
    parse.out[0] = static_cast<std::uint8_t>(distance & 0xFF);
    parse.out[1] = static_cast<std::uint8_t>(distance >> 8);
    parse.out[2] = static_cast<std::uint8_t>(value & 0xFF);
    parse.out[3] = static_cast<std::uint8_t>(value >> 8);
    parse.out += 4;
}

}  // namespace

std::vector<std::uint8_t> reference_parse(std::span<const std::uint8_t> input, int level) {
    if (level < LOWEST_LEVEL || level > HIGHEST_LEVEL)
        throw std::invalid_argument("level outside 0..9");
    std::vector<std::uint64_t> heads(HASH_VALUES, 0);
    std::vector<std::uint64_t> links(input.size(), 0);
    std::vector<std::uint8_t> tokens(4 * input.size());  // at most one token per byte
    Parse parse{input.data(), input.size(), LEVELS[level], heads.data(), links.data(),
                tokens.data()};

    const std::uint64_t previous_length = 0;
    std::uint64_t match_position = 0;
    std::uint64_t skip = 0;
    bool skip_insert = false;
    for (std::uint64_t position = 0; position < parse.size; ++position) {
        if (skip > 0) {
            --skip;
            if (!skip_insert) insert(parse, position);
            continue;
        }
        std::uint64_t candidate = parse.heads[hash3(parse, position)];
        std::uint64_t best = previous_length;
        // Positions 0 and 1 are never candidates: an empty table entry reads as 0.
        const std::uint64_t limit = position > WINDOW ? position - WINDOW : 1;
        if (candidate > limit) {
            std::uint32_t budget = parse.limits.chain_budget;
            if (previous_length >= parse.limits.reduce_threshold) budget >>= 2;
            for (;;) {
                const std::uint64_t length = common_length(parse, position, candidate);
                if (length > best) {
                    best = length;
                    match_position = candidate;
                    if (length >= parse.limits.stop_length) break;
                }
                candidate = parse.links[candidate];
                if (candidate <= limit) break;
                // A budget of 0 wraps around here and so never ends a search.
                if (--budget == 0) break;
            }
        }
        if (best < MIN_LENGTH) {
            emit(parse, 0, parse.input[position]);
            skip_insert = false;
            insert(parse, position);
        } else {
            emit(parse, position - match_position, best);
            skip_insert = best > parse.limits.insert_limit;
            insert(parse, position);
            skip = best - 1;
        }
    }
    tokens.resize(static_cast<std::size_t>(parse.out - tokens.data()));
    return tokens;
}

}  // namespace test_support
