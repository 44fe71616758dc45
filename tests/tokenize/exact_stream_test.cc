// lztokens on inputs whose streams are known in advance: the hand-worked cases, the edge of
// the 32,505-byte window, and streams that fill the 65,536-byte token buffer exactly.
#include <gtest/gtest.h>

#include "exact_cases.h"
#include "generated_inputs.h"
#include "lztokens_checks.h"
#include "reference_parse.h"
#include "token_replayer.h"

using namespace test_support;

namespace {

TEST(LztokensStream, IsTheStreamWorkedOutByHand) {
    for (const ExactCase& exact : exact_cases()) {
        for (const int level : exact.levels) {
            const TokenRun run = run_lztokens_at_level(exact.input, level);
            EXPECT_TRUE(ran_cleanly(run, exact.input.size()))
                << exact.name << " at level " << level;
            EXPECT_EQ(first_token_difference(run.stream, exact.expected), "")
                << exact.name << " at level " << level;
        }
    }
}

TEST(LztokensStream, FindsDistance32505ButNot32506) {
    // Twenty-byte copies in random bytes, inside the first block and reaching back from the
    // second block into the carried history.
    struct Expected {
        PlantedCopy copy;
        std::string token_prefix;
    };
    const std::vector<Expected> copies = {
        {{65'205, 32'505, 20}, "match (32505, 20) from 65205"},
        {{68'000, 32'506, 20}, "literal 0x"},
        {{72'505, 32'505, 20}, "match (32505, 20) from 72505"},
    };
    std::vector<PlantedCopy> planted;
    for (const Expected& expected : copies) planted.push_back(expected.copy);
    const Bytes input = random_with_copies(80'000, 7, planted);

    // Level 0 takes the first candidate sharing a byte, level 1 compares at most four.
    for (const int level : {0, 1, 4, 9}) {
        const TokenRun run = run_lztokens_at_level(input, level);
        ASSERT_TRUE(ran_cleanly(run, input.size())) << "level " << level;
        const Replay replay = replay_tokens(run.stream);
        EXPECT_EQ(replay.error, "") << "level " << level;
        EXPECT_TRUE(replay.bytes == input) << "level " << level << ": the stream does not replay";
        for (const Expected& expected : copies) {
            const std::string token = token_covering(replay, expected.copy.position);
            EXPECT_TRUE(token.starts_with(expected.token_prefix))
                << "level " << level << ", copy at " << expected.copy.position << ": " << token;
        }
    }
}

// Random bytes whose parse at level has exactly count tokens, grown or cut at the end
// until the reference parse says so.
Bytes input_with_token_count(std::size_t count, int level) {
    Bytes input = random_input(count, count);
    for (std::uint64_t round = 1; round < 50; ++round) {
        const std::size_t tokens = reference_parse(input, level).size() / TOKEN_SIZE;
        if (tokens == count) return input;
        if (tokens < count) {
            const Bytes more = random_input(count - tokens, count + round);
            input.insert(input.end(), more.begin(), more.end());
        } else {
            input.resize(input.size() - (tokens - count));
        }
    }
    return {};
}

TEST(LztokensStream, TokenBufferHoldsWholeTokensAcrossWrites) {
    // 16,384 tokens fill the buffer exactly once, so the final write is of 0 bytes.
    for (const std::size_t count : {16'383, 16'384, 16'385, 32'768}) {
        const Bytes input = input_with_token_count(count, 3);
        ASSERT_FALSE(input.empty()) << "no input with " << count << " tokens found";
        const TokenRun run = run_lztokens_at_level(input, 3);
        EXPECT_TRUE(ran_cleanly(run, input.size())) << count << " tokens";
        EXPECT_EQ(run.stream.size(), count * TOKEN_SIZE);
        EXPECT_TRUE(is_reference_parse(run.stream, input, 3)) << count << " tokens";
    }
}

}  // namespace
