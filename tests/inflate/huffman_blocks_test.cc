// Fixed-code blocks and the body of every Huffman-coded block: literals, back-references
// through the 64 KiB history, and the codes that no table resolves.
#include <gtest/gtest.h>

#include <algorithm>

#include "rawinflate_check.h"

using namespace deflate;

namespace {

constexpr std::size_t MAX_STORED = 65535;

// A stream of one final fixed-code block; the line it must print.
struct FixedStream {
    BitWriter writer;
    std::string line;
};

FixedStream one_fixed_block(std::span<const LzItem> items, int produced) {
    FixedStream s;
    put_fixed_block(s.writer, true, items);
    s.line = statistics_line({FIXED_BLOCK, 0, 3, s.writer.bit_length, produced});
    return s;
}

TEST(HuffmanBlocks, BackReferencesCopyOneByteAtATime) {
    struct Case {
        const char* name;
        std::vector<LzItem> items;
        std::vector<std::uint8_t> expected;
        bool before_start = false;  // read through, then reported with status 1
    };
    const std::vector<Case> cases = {
        {"end-of-block code alone", {}, {}},
        {"shorter distance than length repeats", literals_then("ABC", {match(10, 3)}),
         bytes_of("ABCABCABCABCA")},
        {"distance 1 repeats the last byte", literals_then("X", {match(258, 1)}),
         std::vector<std::uint8_t>(259, 'X')},
        {"shortest length", literals_then("abcd", {match(3, 4)}), bytes_of("abcdabc")},
        {"before the start of the output reads zeros",
         {match(5, 3)},
         std::vector<std::uint8_t>(5, 0),
         true},
        {"partly before the start", literals_then("AB", {match(4, 4)}),
         {'A', 'B', 0, 0, 'A', 'B'},
         true},
        {"exactly to the start", literals_then("AB", {match(4, 2)}), bytes_of("ABABAB")},
        {"literals above 143 have 9-bit codes",
         {literal(144), literal(200), literal(255), match(3, 2)},
         {144, 200, 255, 200, 255, 200}},
    };
    for (const Case& c : cases) {
        const FixedStream s = one_fixed_block(c.items, static_cast<int>(c.expected.size()));
        const Inflated result = inflate_stream(s.writer.bytes);
        EXPECT_EQ(result.run.exit_status, c.before_start ? 1 : 0) << c.name;
        EXPECT_EQ(result.run.standard_output, s.line) << c.name;
        EXPECT_EQ(result.run.standard_error,
                  c.before_start ? fault_line(result.input_path,
                                              "distance reaches before the start of the output", 1)
                                 : "")
            << c.name;
        EXPECT_EQ(result.output, c.expected) << c.name;
    }
}

TEST(HuffmanBlocks, Length258ThroughSymbol284WithAllExtraBitsIsAccepted) {
    BitWriter writer;
    put_block_header(writer, true, FIXED_BLOCK);
    put_symbol(writer, fixed_litlen_code(), 'z');
    put_symbol(writer, fixed_litlen_code(), 284);
    put_bits(writer, 31, 5);
    put_symbol(writer, fixed_distance_code(), 0);
    put_symbol(writer, fixed_litlen_code(), END_OF_BLOCK);
    const Inflated result = inflate_stream(writer.bytes);
    EXPECT_EQ(result.run.exit_status, 0);
    EXPECT_EQ(result.output, std::vector<std::uint8_t>(259, 'z'));
    EXPECT_EQ(result.run.standard_output,
              statistics_line({FIXED_BLOCK, 0, 3, writer.bit_length, 259}));
}

// A fixed block after a stored one of size bytes: the references reach into that block.
void expect_references_after_stored(std::size_t stored_size, const std::vector<LzItem>& items) {
    const std::vector<std::uint8_t> data = pattern_bytes(stored_size, 5);
    BitWriter writer;
    put_stored_block(writer, false, data);
    const std::uint64_t start = writer.bit_length;
    put_fixed_block(writer, true, items);
    const std::vector<std::uint8_t> expected = expand_items(data, items);

    const Inflated result = inflate_stream(writer.bytes);
    EXPECT_EQ(result.run.exit_status, 0);
    EXPECT_EQ(result.run.standard_output,
              statistics_line(0, 1, 0, static_cast<int>(stored_size)) +
                  statistics_line({FIXED_BLOCK, start, start + 3, writer.bit_length,
                                   static_cast<int>(expected.size() - stored_size)}));
    EXPECT_TRUE(result.output == expected)
        << result.output.size() << " bytes out, " << expected.size() << " expected";
}

TEST(HuffmanBlocks, LongestDistanceReachesBackExactly32768Bytes) {
    expect_references_after_stored(40000, {match(10, 32768), match(258, 24577), match(3, 32767)});
}

TEST(HuffmanBlocks, CopyAcrossTheWrapOfTheHistoryReadsTheRightBytes) {
    // Two literals bring the output to 65,537 bytes: the first copy reads positions 65,532
    // to 65,535 of the history and then position 0, which by now holds the 'a'.
    expect_references_after_stored(
        MAX_STORED, literals_then("ab", {match(10, 5), match(258, 32768), match(258, 300),
                                         literal('c'), match(200, 32768)}));
}

// Checks one stream of pairs of a stored block and a Huffman-coded block (fixed when the
// lengths are empty, else dynamic with these lengths). The Huffman-coded block holds filler
// literals, then twice a match of length 249 at distance 29,581 (symbols 284 and 29, with 5
// and 13 extra bits). In pair k the size of the stored block and the number of fillers put
// the start of read k + 1 (at byte 65,536 * (k + 1)) on bit k of the first match, so that
// across the pairs the boundary meets every bit of its codes and extra bits. The copies
// also cross output flushes.
void expect_match_straddling_every_read_boundary(const std::vector<std::uint8_t>& litlen_lengths,
                                                 const std::vector<std::uint8_t>& distance_lengths,
                                                 std::uint8_t filler) {
    const bool fixed = litlen_lengths.empty();
    const HuffmanCode litlen = fixed ? fixed_litlen_code() : canonical_code(litlen_lengths);
    const HuffmanCode distance = fixed ? fixed_distance_code() : canonical_code(distance_lengths);
    BitWriter description;
    if (!fixed)
        put_dynamic_header(description, dynamic_header_for(litlen_lengths, distance_lengths));
    const LzItem straddling = match(227 + 22, 24577 + 5004);
    const unsigned match_bits = litlen.lengths[284] + 5 + distance.lengths[29] + 13;
    const unsigned filler_bits = litlen.lengths[filler];

    BitWriter writer;
    std::vector<std::uint8_t> expected;
    std::string lines;
    std::vector<std::size_t> pair_ends;
    for (unsigned at = 0; at < match_bits; ++at) {
        // The first match starts 3 + description + fillers bits into the block, which
        // starts on a byte; filler codes have an odd length, so some count up to 7 fits.
        unsigned filler_count = 0;
        while ((3 + description.bit_length + filler_count * filler_bits + at) % 8 != 0)
            ++filler_count;
        const std::uint64_t bits_to_read =
            3 + description.bit_length + filler_count * filler_bits + at;
        const std::size_t block_start = 65536 * (at + 1) - bits_to_read / 8;
        // The stored header ends on a byte boundary; LEN and NLEN take the next 4 bytes.
        const std::size_t data_start = fetched_bytes(writer.bit_length + 3) + 4;
        const std::vector<std::uint8_t> data = pattern_bytes(block_start - data_start, at);
        const std::uint64_t stored_start = writer.bit_length;
        put_stored_block(writer, false, data);
        ASSERT_EQ(writer.bytes.size(), block_start);
        expected.insert(expected.end(), data.begin(), data.end());
        lines += statistics_line({STORED_BLOCK, stored_start, stored_start + 3, stored_start + 3,
                                  static_cast<int>(data.size())});

        std::vector<LzItem> items(filler_count, literal(filler));
        items.push_back(straddling);
        items.push_back(straddling);
        const bool final = at + 1 == match_bits;
        const std::uint64_t start = writer.bit_length;
        if (fixed) {
            put_fixed_block(writer, final, items);
        } else {
            put_dynamic_block(writer, final, litlen_lengths, distance_lengths, items);
        }
        const std::size_t before = expected.size();
        expected = expand_items(std::move(expected), items);
        lines += statistics_line({fixed ? FIXED_BLOCK : DYNAMIC_BLOCK, start,
                                  start + 3 + description.bit_length, writer.bit_length,
                                  static_cast<int>(expected.size() - before)});
        pair_ends.push_back(expected.size());
    }

    const Inflated result = inflate_stream(writer.bytes);
    EXPECT_EQ(result.run.exit_status, 0);
    EXPECT_EQ(result.run.standard_output, lines);
    const auto differs =
        std::mismatch(result.output.begin(), result.output.end(), expected.begin(), expected.end())
            .first;
    const auto first_difference = static_cast<std::size_t>(differs - result.output.begin());
    EXPECT_TRUE(result.output == expected)
        << "first difference at output byte " << first_difference << ", in pair "
        << std::upper_bound(pair_ends.begin(), pair_ends.end(), first_difference) -
               pair_ends.begin();
}

TEST(HuffmanBlocks, FixedCodesAndExtraBitsStraddlingAReadDecodeAsUnbroken) {
    expect_match_straddling_every_read_boundary({}, {}, 200);
}

TEST(HuffmanBlocks, LongestDynamicCodesStraddlingAReadDecodeAsUnbroken) {
    // Codes of lengths 1, 2, ... 14, 15, 15: the filler takes 1 bit, the two match symbols
    // take 15 each, so one match is 48 bits long.
    std::vector<std::uint8_t> litlen(286, 0);
    std::vector<std::uint8_t> distance(30, 0);
    litlen[200] = 1;
    litlen[END_OF_BLOCK] = 2;
    for (unsigned s = 0; s < 12; ++s) litlen[s] = static_cast<std::uint8_t>(3 + s);
    litlen[284] = litlen[285] = 15;
    for (unsigned s = 0; s < 14; ++s) distance[s] = static_cast<std::uint8_t>(1 + s);
    distance[14] = distance[29] = 15;
    expect_match_straddling_every_read_boundary(litlen, distance, 200);
}

// Literals before a fault: long enough that the decoder, given enough input ahead, outputs
// some of them in long stretches before it meets the fault.
constexpr std::string_view LONG_TEXT = "literals before the fault, all of them written out";

// A stream whose first block is a stored "ok", and whose second block is a fixed block
// that the test writes from its header on.
BitWriter after_good_block() {
    BitWriter writer;
    put_stored_block(writer, false, bytes_of("ok"));
    put_block_header(writer, true, FIXED_BLOCK);
    return writer;
}

// Checks a stream that stops at a fault in its second block, after the stored "ok".
void expect_fault_in_second_block(const std::vector<std::uint8_t>& stream,
                                  const std::string& output, const std::string& fault) {
    for (const std::size_t tail : FAULT_TAILS) {
        SCOPED_TRACE(std::to_string(tail) + " bytes after the fault");
        std::vector<std::uint8_t> padded = stream;
        padded.insert(padded.end(), tail, 0);
        const Inflated result = inflate_stream(padded);
        EXPECT_EQ(result.run.exit_status, 1);
        EXPECT_EQ(result.output, bytes_of(output));
        EXPECT_EQ(result.run.standard_output, statistics_line(0, 1, 0, 2));
        EXPECT_EQ(result.run.standard_error, fault_line(result.input_path, fault, 2));
    }
}

TEST(HuffmanBlocks, LiteralLengthSymbols286And287EndDecoding) {
    for (const unsigned symbol : {286u, 287u}) {
        SCOPED_TRACE("symbol " + std::to_string(symbol));
        BitWriter writer = after_good_block();
        for (const LzItem item : literals(LONG_TEXT))
            put_item(writer, fixed_litlen_code(), fixed_distance_code(), item);
        put_symbol(writer, fixed_litlen_code(), symbol);
        put_symbol(writer, fixed_litlen_code(), END_OF_BLOCK);
        expect_fault_in_second_block(writer.bytes, "ok" + std::string(LONG_TEXT),
                                     "invalid literal/length symbol");
    }
}

TEST(HuffmanBlocks, FixedDistanceCodes30And31AreNotInTable) {
    for (const unsigned symbol : {30u, 31u}) {
        SCOPED_TRACE("distance symbol " + std::to_string(symbol));
        BitWriter writer = after_good_block();
        for (const LzItem item : literals(LONG_TEXT))
            put_item(writer, fixed_litlen_code(), fixed_distance_code(), item);
        put_symbol(writer, fixed_litlen_code(), 257);
        put_symbol(writer, fixed_distance_code(), symbol);
        expect_fault_in_second_block(writer.bytes, "ok" + std::string(LONG_TEXT),
                                     "distance code not in table");
    }
}

TEST(HuffmanBlocks, ReservedBlockTypeEndsDecoding) {
    BitWriter first;
    put_block_header(first, true, RESERVED_BLOCK);
    first.bytes.insert(first.bytes.end(), 4, 0);
    const Inflated alone = inflate_stream(first.bytes);
    EXPECT_EQ(alone.run.exit_status, 1);
    EXPECT_EQ(alone.run.standard_output, "");
    EXPECT_EQ(alone.run.standard_error, fault_line(alone.input_path, "reserved block type 3", 1));
    EXPECT_TRUE(alone.output_exists);
    EXPECT_TRUE(alone.output.empty());

    BitWriter second;
    put_stored_block(second, false, bytes_of("ok"));
    put_block_header(second, false, RESERVED_BLOCK);
    expect_fault_in_second_block(second.bytes, "ok", "reserved block type 3");
}

TEST(HuffmanBlocks, FixedBlockAfterDynamicBlockUsesTheFixedCodes) {
    // The dynamic code gives 'A' one bit; read with it, the fixed block would go wrong.
    std::vector<std::uint8_t> litlen(257, 0);
    litlen['A'] = 1;
    litlen[END_OF_BLOCK] = 1;
    const std::vector<std::uint8_t> distance = {1};
    const std::vector<LzItem> dynamic_items = literals("AAAA");
    const std::vector<LzItem> fixed_items = literals_then("fixed", {match(9, 6)});

    BitWriter writer;
    const std::uint64_t description_end =
        put_dynamic_block(writer, false, litlen, distance, dynamic_items);
    const std::uint64_t fixed_start = writer.bit_length;
    put_fixed_block(writer, true, fixed_items);

    const Inflated result = inflate_stream(writer.bytes);
    EXPECT_EQ(result.run.exit_status, 0);
    EXPECT_EQ(result.output, bytes_of("AAAAfixedAfixedAfi"));
    EXPECT_EQ(
        result.run.standard_output,
        statistics_line({DYNAMIC_BLOCK, 0, description_end, fixed_start, 4}) +
            statistics_line({FIXED_BLOCK, fixed_start, fixed_start + 3, writer.bit_length, 14}));
}

}  // namespace
