// Data to tokens to DEFLATE and back: lztokens at several levels, tokdeflate in every mode,
// rawinflate. The bytes come back, both programs print the same lines, and the best mode
// is never larger than a forced one.
#include <gtest/gtest.h>

#include <algorithm>

#include "coder_state.h"
#include "symbol_lookup.h"
#include "generated_inputs.h"
#include "tokdeflate_checks.h"

using namespace test_support;

namespace {

const std::vector<std::string> MODES = {"best", "dynamic", "fixed", "stored"};

struct RoundTripInput {
    std::string name;
    Bytes data;
};

std::vector<RoundTripInput> round_trip_inputs() {
    constexpr std::size_t share = ROUND_TRIP_SHARE;
    return {
        {"empty", {}},
        {"one byte", {0x41}},
        {"text", generated_input(InputKind::text, 300'000 / share, 7)},
        {"binary", generated_input(InputKind::mixed, 200'000 / share, 8)},
        {"long runs", generated_input(InputKind::runs, 300'000 / share, 9)},
        {"noise", random_input(150'000 / share, 10)},
        // Equal bytes give three literals, then matches of 258: exactly one full block.
        {"a block of exactly the bound",
         Bytes(3 + std::size_t{coder::MATCH_LENGTH_MAX} * (coder::BLOCK_TOKEN_BOUND - 3), 'z')},
    };
}

TEST(TokdeflateRoundTrip, EveryModeDecodesToTheInputWithTheDecodersLines) {
    for (const RoundTripInput& input : round_trip_inputs()) {
        for (const int level : {0, 3, 9}) {
            const Bytes tokens = lztokens_of(input.data, level);
            ASSERT_EQ(tokens.size() % 4, 0u) << input.name;
            if (input.name == "a block of exactly the bound") {
                ASSERT_EQ(tokens.size() / 4, coder::BLOCK_TOKEN_BOUND) << "level " << level;
            }
            std::size_t best_size = 0;
            for (const std::string& mode : MODES) {
                const std::string where = input.name + ", level " + std::to_string(level) + ", " + mode;
                const CodedRun run = code_and_decode(tokens, mode);
                EXPECT_EQ(run.coder.exit_status, 0) << where << ": " << run.coder.standard_error;
                EXPECT_EQ(run.inflater.exit_status, 0) << where << ": " << run.inflater.standard_error;
                EXPECT_TRUE(run.decoded == input.data) << where << ": the decoded bytes differ";
                EXPECT_EQ(run.coder.standard_output, run.inflater.standard_output) << where;
                if (mode == "best") best_size = run.stream.size();
                else EXPECT_LE(best_size, run.stream.size()) << where << ": best is larger";
            }
        }
    }
}

TEST(TokdeflateRoundTrip, BlocksHoldAtMostTheBoundAndOnlyTheLastIsFinal) {
    constexpr std::size_t bound = coder::BLOCK_TOKEN_BOUND;
    // Literal tokens of noise-like bytes: one token per byte, so the block count is exact.
    for (const std::size_t count : {bound - 1, bound, bound + 1, 2 * bound}) {
        const Bytes data = random_input(count, count);
        std::vector<HandToken> tokens;
        for (const std::uint8_t byte : data) tokens.push_back({0, byte});
        for (const std::string& mode : MODES) {
            const CodedRun run = code_and_decode(token_file(tokens), mode);
            const std::string where = std::to_string(count) + " tokens, " + mode;
            EXPECT_EQ(run.coder.exit_status, 0) << where;
            EXPECT_EQ(run.inflater.exit_status, 0) << where;
            EXPECT_TRUE(run.decoded == data) << where;
            EXPECT_EQ(run.coder.standard_output, run.inflater.standard_output) << where;
            const auto blocks = std::ranges::count(run.coder.standard_output, '\n');
            EXPECT_EQ(static_cast<std::size_t>(blocks), (count + bound - 1) / bound) << where;
        }
    }
}

TEST(TokdeflateRoundTrip, EmptyTokenFileGivesTheShortestStream) {
    for (const std::string& mode : MODES) {
        const CodedRun run = code_and_decode({}, mode);
        // A final fixed-code block: 1, 01, then the 7-bit end-of-block code 0000000.
        EXPECT_EQ(run.stream, (Bytes{0x03, 0x00})) << mode;
        EXPECT_EQ(run.coder.standard_output, "type=1 h.size=    1 c.size=    1 d.size=    0\n") << mode;
        EXPECT_EQ(run.inflater.exit_status, 0) << mode;
    }
}

}  // namespace
