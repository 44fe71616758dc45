// The statistics lines: input bytes counted where they were fetched, for block headers that
// share a byte with the block before and for stored blocks after a mid-byte end.
#include <gtest/gtest.h>

#include "rawinflate_check.h"

using namespace deflate;

namespace {

TEST(StatisticsLines, HeaderInBitsAlreadyFetchedCountsNoByte) {
    BitWriter writer;
    put_fixed_block(writer, false, {});
    put_fixed_block(writer, true, literals("A"));
    // Block 1: header bits 0-2 and end-of-block bits 3-9 fetch bytes 0 and 1. Block 2: its
    // header bits 10-12 lie in byte 1; 'A' (13-20) and end of block (21-27) fetch 2 and 3.
    ASSERT_EQ(writer.bit_length, 28u);
    const Inflated result = inflate_stream(writer.bytes);
    EXPECT_EQ(result.run.exit_status, 0);
    EXPECT_EQ(result.run.standard_output,
              "type=1 h.size=    1 c.size=    1 d.size=    0\n"
              "type=1 h.size=    0 c.size=    2 d.size=    1\n");
    EXPECT_EQ(result.output, bytes_of("A"));
}

TEST(StatisticsLines, StoredBlockAfterAMidByteEndSkipsTheRestOfThatByte) {
    BitWriter writer;
    put_fixed_block(writer, false, literals("A"));
    put_stored_block(writer, true, bytes_of("xyz"));
    // Block 1 ends at bit 18, in byte 2, which also holds the stored header (bits 18-20);
    // LEN starts at byte 3.
    ASSERT_EQ(writer.bytes.size(), 3u + 4u + 3u);
    const Inflated result = inflate_stream(writer.bytes);
    EXPECT_EQ(result.run.exit_status, 0);
    EXPECT_EQ(result.run.standard_output,
              "type=1 h.size=    1 c.size=    2 d.size=    1\n"
              "type=0 h.size=    0 c.size=    0 d.size=    3\n");
    EXPECT_EQ(result.output, bytes_of("Axyz"));
}

TEST(StatisticsLines, StoredBlockAfterAByteAlignedEndFetchesItsOwnHeaderByte) {
    BitWriter writer;
    // Six 9-bit literals: 3 + 54 + 7 bits end the block on the boundary of byte 8.
    const std::vector<LzItem> nine_bit = {literal(150), literal(151), literal(152),
                                          literal(153), literal(154), literal(155)};
    put_fixed_block(writer, false, nine_bit);
    ASSERT_EQ(writer.bit_length, 64u);
    put_stored_block(writer, true, bytes_of("xyz"));
    const Inflated result = inflate_stream(writer.bytes);
    EXPECT_EQ(result.run.exit_status, 0);
    EXPECT_EQ(result.run.standard_output,
              "type=1 h.size=    1 c.size=    7 d.size=    6\n"
              "type=0 h.size=    1 c.size=    0 d.size=    3\n");
    EXPECT_EQ(result.output,
              (std::vector<std::uint8_t>{150, 151, 152, 153, 154, 155, 'x', 'y', 'z'}));
}

TEST(StatisticsLines, EveryBlockGetsOneLineInStreamOrder) {
    // Stored, dynamic, fixed right after the dynamic one, a second dynamic block with other
    // codes, and a final stored block after its mid-byte end.
    const std::vector<LzItem> first =
        literals_then("dynamic blocks, ", {match(7, 16), match(12, 9)});
    const std::vector<LzItem> second = literals_then("again: ", {match(40, 23), literal(0xE9)});
    BitWriter writer;
    std::vector<BlockSpan> blocks;

    put_stored_block(writer, false, bytes_of("stored: "));
    blocks.push_back({STORED_BLOCK, 0, 3, 3, 8});

    std::uint64_t start = writer.bit_length;
    BlockCodeLengths lengths = code_lengths_for(first);
    std::uint64_t description_end =
        put_dynamic_block(writer, false, lengths.litlen, lengths.distance, first);
    blocks.push_back({DYNAMIC_BLOCK, start, description_end, writer.bit_length, 16 + 7 + 12});

    start = writer.bit_length;
    put_fixed_block(writer, false, literals("fixed"));
    blocks.push_back({FIXED_BLOCK, start, start + 3, writer.bit_length, 5});

    start = writer.bit_length;
    lengths = code_lengths_for(second);
    description_end = put_dynamic_block(writer, false, lengths.litlen, lengths.distance, second);
    blocks.push_back({DYNAMIC_BLOCK, start, description_end, writer.bit_length, 7 + 40 + 1});

    start = writer.bit_length;
    put_stored_block(writer, true, bytes_of("."));
    blocks.push_back({STORED_BLOCK, start, start + 3, start + 3, 1});

    std::string lines;
    for (const BlockSpan& block : blocks) lines += statistics_line(block);
    std::vector<std::uint8_t> expected = bytes_of("stored: ");
    expected = expand_items(expected, first);
    expected = expand_items(expected, literals("fixed"));
    expected = expand_items(expected, second);
    expected.push_back('.');

    const Inflated result = inflate_stream(writer.bytes);
    EXPECT_EQ(result.run.exit_status, 0);
    EXPECT_EQ(result.run.standard_output, lines);
    EXPECT_EQ(result.run.standard_error, "");
    EXPECT_EQ(result.output, expected);
}

}  // namespace
