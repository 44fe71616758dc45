// Token files the tests write by hand: the far ends of DEFLATE's lengths and distances,
// codes that would grow past 15 bits, the distance codes of a dynamic block, and every
// kind of bad token.
#include <gtest/gtest.h>

#include "coder_state.h"
#include "deflate_writer.h"
#include "generated_inputs.h"
#include "tokdeflate_checks.h"

using namespace test_support;

namespace {

const std::vector<std::string> MODES = {"best", "dynamic", "fixed", "stored"};

std::vector<HandToken> literal_tokens(const Bytes& data) {
    std::vector<HandToken> tokens;
    for (const std::uint8_t byte : data) tokens.push_back({0, byte});
    return tokens;
}

void expect_round_trip(const std::vector<HandToken>& tokens, const std::string& what) {
    const Bytes expected = replay(tokens);
    for (const std::string& mode : MODES) {
        const CodedRun run = code_and_decode(token_file(tokens), mode);
        EXPECT_EQ(run.coder.exit_status, 0) << what << ", " << mode << ": " << run.coder.standard_error;
        EXPECT_EQ(run.inflater.exit_status, 0) << what << ", " << mode << ": " << run.inflater.standard_error;
        EXPECT_TRUE(run.decoded == expected) << what << ", " << mode << ": the decoded bytes differ";
        EXPECT_EQ(run.coder.standard_output, run.inflater.standard_output) << what << ", " << mode;
    }
}

TEST(TokdeflateTokenFile, FarDistancesOverlapsAndEveryLengthCodeBoundary) {
    std::vector<HandToken> tokens = literal_tokens(random_input(32'768, 21));
    tokens.push_back({32'768, 258});  // back to the very first byte
    tokens.push_back({1, 258});       // a run of the latest byte
    tokens.push_back({3, 100});       // repeats the latest three bytes
    // Both ends of every length symbol's range, each at a distance from each distance
    // symbol's range ends in turn.
    std::vector<unsigned> lengths;
    for (unsigned length = 3; length <= 258; ++length)
        if (length == 3 || length == 258 || length_symbol(length).symbol != length_symbol(length - 1).symbol)
            lengths.insert(lengths.end(), {length - (length > 3 ? 1u : 0u), length});
    std::vector<unsigned> distances;
    for (unsigned distance = 1; distance <= 32'768; ++distance)
        if (distance == 1 || distance_symbol(distance).symbol != distance_symbol(distance - 1).symbol)
            distances.insert(distances.end(), {distance - (distance > 1 ? 1u : 0u), distance});
    distances.push_back(32'768);
    for (std::size_t i = 0; i < std::max(lengths.size(), distances.size()); ++i)
        tokens.push_back({static_cast<std::uint16_t>(distances[i % distances.size()]),
                          static_cast<std::uint16_t>(lengths[i % lengths.size()])});
    expect_round_trip(tokens, "far distances and length boundaries");
}

TEST(TokdeflateTokenFile, SkewedCountsStillGetCodesOfAtMost15Bits) {
    // Literal counts that grow like Fibonacci numbers: an unlimited Huffman code for them
    // would be 18 bits deep.
    std::vector<HandToken> tokens;
    unsigned a = 1, b = 1;
    for (unsigned symbol = 0; symbol < 19; ++symbol) {
        for (unsigned k = 0; k < a; ++k) tokens.push_back({0, static_cast<std::uint16_t>(symbol * 13)});
        const unsigned next = a + b;
        a = b;
        b = next;
    }
    ASSERT_LE(tokens.size(), coder::BLOCK_TOKEN_BOUND);
    expect_round_trip(tokens, "Fibonacci counts");
}

// HDIST + 1 of a dynamic block that starts the stream: bits 8 to 12.
unsigned distance_lengths_written(const Bytes& stream) {
    return ((stream[1] >> 0) & 0x1F) + 1;
}

TEST(TokdeflateTokenFile, DynamicBlockWithOneDistanceCodeOrNone) {
    const std::vector<HandToken> no_match = literal_tokens(text_bytes("only literals, no match at all"));
    std::vector<HandToken> one_distance = literal_tokens(text_bytes("abcdefgh"));
    one_distance.insert(one_distance.end(), {{5, 3}, {6, 10}, {5, 30}});  // all distance symbol 4
    struct DistanceCase {
        const char* name;
        std::vector<HandToken> tokens;
        unsigned lengths_written;
    };
    for (const DistanceCase& c : {DistanceCase{"no distance code", no_match, 1},
                                  DistanceCase{"one distance code", one_distance, 5}}) {
        const CodedRun run = code_and_decode(token_file(c.tokens), "dynamic");
        EXPECT_EQ(run.inflater.exit_status, 0) << c.name << ": " << run.inflater.standard_error;
        EXPECT_TRUE(run.decoded == replay(c.tokens)) << c.name;
        EXPECT_EQ(run.coder.standard_output, run.inflater.standard_output) << c.name;
        ASSERT_GE(run.stream.size(), 2u) << c.name;
        EXPECT_EQ(run.stream[0] & 0x07, 0x05) << c.name << ": not a final dynamic block";
        EXPECT_EQ(distance_lengths_written(run.stream), c.lengths_written) << c.name;
    }
}

struct BadToken {
    HandToken token;
    std::string what;  // the message after "token <index>: "; {data} stands for the bytes so far
};

TEST(TokdeflateTokenFile, BadTokenEndsTheStreamAfterTheGoodOnes) {
    const std::vector<BadToken> bad_tokens = {
        {{0, 256}, "literal 256 is above 255"},
        {{0, 65'535}, "literal 65535 is above 255"},
        {{1, 2}, "length 2 is not from 3 to 258"},
        {{1, 0}, "length 0 is not from 3 to 258"},
        {{1, 259}, "length 259 is not from 3 to 258"},
        {{32'769, 3}, "distance 32769 is above 32768"},
        {{65'535, 258}, "distance 65535 is above 32768"},
        {{0xFFFF, 0xFFFF}, "length 65535 is not from 3 to 258"},
    };
    constexpr std::size_t bound = coder::BLOCK_TOKEN_BOUND;
    // At the start of the stream, in the middle of a block, and first in a second block.
    for (const std::size_t index : {std::size_t{0}, std::size_t{100}, bound}) {
        const std::vector<HandToken> good = literal_tokens(generated_input(InputKind::text, index, 3));
        std::vector<std::pair<Bytes, std::string>> files;
        for (const BadToken& bad : bad_tokens) {
            std::vector<HandToken> tokens = good;
            tokens.push_back(bad.token);
            tokens.push_back({0, 'z'});  // never coded
            files.emplace_back(token_file(tokens), bad.what);
        }
        // One byte past the data so far, and a last token cut short.
        std::vector<HandToken> too_far = good;
        too_far.push_back({static_cast<std::uint16_t>(index + 1), 3});
        files.emplace_back(token_file(too_far), "distance " + std::to_string(index + 1) +
                                                    " reaches before the start of the data (" +
                                                    std::to_string(index) + " bytes)");
        for (const std::size_t present : {1, 2, 3}) {
            Bytes cut = token_file(good);
            cut.insert(cut.end(), present, 0);
            files.emplace_back(cut, "only " + std::to_string(present) + " of its 4 bytes");
        }
        for (const auto& [file, what] : files) {
            for (const std::string& mode : {std::string("best"), std::string("stored")}) {
                const std::string where = "token " + std::to_string(index) + ", " + what + ", " + mode;
                TempDir folder;
                write_file(folder.file("tokens"), file);
                const ProgramResult coder =
                    run_program(TOKDEFLATE_PROGRAM, {folder.file("tokens"), folder.file("stream"), mode});
                EXPECT_EQ(coder.exit_status, 1) << where;
                EXPECT_EQ(coder.standard_error, "tokdeflate: " + folder.file("tokens") + ": token " +
                                                    std::to_string(index) + ": " + what + "\n")
                    << where;
                const ProgramResult inflater =
                    run_program(RAWINFLATE_PROGRAM, {folder.file("stream"), folder.file("decoded")});
                EXPECT_EQ(inflater.exit_status, 0) << where << ": " << inflater.standard_error;
                EXPECT_TRUE(read_file(folder.file("decoded")) == replay(good)) << where;
                EXPECT_EQ(coder.standard_output, inflater.standard_output) << where;
            }
        }
    }
}

}  // namespace
