// The tools the lztokens tests judge by: the replayer must refuse every bad token, and the
// reference parse must give the streams worked out by hand.
// Cases are tables looped inside a few tests: each test is a process of its own, which is
// costly under an emulator.
#include <gtest/gtest.h>

#include "exact_cases.h"
#include "generated_inputs.h"
#include "reference_parse.h"
#include "token_replayer.h"

using namespace test_support;

namespace {

struct BadStream {
    std::string name;
    Bytes stream;
    std::string error;
};

TEST(Replayer, RefusesTheFirstBadTokenSayingWhereAndWhy) {
    const std::vector<BadStream> streams = {
        {"literal with a non-zero fourth byte", joined({literal('a'), {0x00, 0x00, 0x41, 0x01}}),
         "token 1 (stream offset 4, input position 1): literal value 0x0141 has a non-zero "
         "fourth byte"},
        {"distance beyond the window", joined({literals(Bytes(40000, 'a')), match(32506, 3)}),
         "token 40000 (stream offset 160000, input position 40000): distance 32506 is outside "
         "1..32505"},
        {"length 2", joined({literals(bytes_of("ab")), match(1, 2)}),
         "token 2 (stream offset 8, input position 2): length 2 is outside 3..258"},
        {"length 259", joined({literal('a'), match(1, 259)}),
         "token 1 (stream offset 4, input position 1): length 259 is outside 3..258"},
        {"distance before the input", joined({literals(bytes_of("abc")), match(4, 3)}),
         "token 3 (stream offset 12, input position 3): distance 4 reaches before the input "
         "(3 bytes so far)"},
        {"size not a multiple of 4", joined({literal('a'), {0x00, 0x00}}),
         "stream size 6 is not a multiple of 4"},
        {"two bad tokens", joined({match(1, 3), match(1, 2)}),
         "token 0 (stream offset 0, input position 0): distance 1 reaches before the input "
         "(0 bytes so far)"},
    };
    for (const BadStream& bad : streams)
        EXPECT_EQ(replay_tokens(bad.stream).error, bad.error) << bad.name;
}

TEST(Replayer, OverlappingMatchRepeatsTheLatestBytes) {
    const Replay replay =
        replay_tokens(joined({literals(bytes_of("ab")), match(2, 7), match(32505, 258)}));
    EXPECT_EQ(replay.error,
              "token 3 (stream offset 12, input position 9): distance 32505 reaches "
              "before the input (9 bytes so far)");
    EXPECT_EQ(replay.bytes, bytes_of("ababababa"));
    ASSERT_EQ(replay.tokens.size(), 3u);
    EXPECT_EQ(replay.tokens[2].position, 2u);
}

TEST(Replayer, DescribesTheFirstDifferenceBetweenStreams) {
    const Bytes expected = joined({literals(bytes_of("abc")), match(3, 5)});
    EXPECT_EQ(first_token_difference(expected, expected), "");
    EXPECT_EQ(first_token_difference(joined({literals(bytes_of("abc")), match(3, 4)}), expected),
              "token 3 (stream offset 12, input position 3): got match (3, 4), expected match "
              "(3, 5)");
    EXPECT_EQ(first_token_difference(literals(bytes_of("abc")), expected),
              "stream sizes differ after 3 equal tokens: got 12 bytes, expected 16");
}

TEST(ReferenceParse, GivesTheStreamsWorkedOutByHand) {
    for (const ExactCase& exact : exact_cases())
        for (const int level : exact.levels)
            EXPECT_EQ(first_token_difference(reference_parse(exact.input, level), exact.expected),
                      "")
                << exact.name << " at level " << level;
}

TEST(ReferenceParse, ReplaysToItsInputAtEveryLevel) {
    for (const InputKind kind :
         {InputKind::random_bytes, InputKind::text, InputKind::runs, InputKind::mixed}) {
        const Bytes input = generated_input(kind, 20'000, 11);
        for (int level = LOWEST_LEVEL; level <= HIGHEST_LEVEL; ++level) {
            const Replay replay = replay_tokens(reference_parse(input, level));
            EXPECT_EQ(replay.error, "") << kind_name(kind) << " at level " << level;
            EXPECT_TRUE(replay.bytes == input) << kind_name(kind) << " at level " << level;
        }
    }
}

}  // namespace
