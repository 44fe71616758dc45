// Dynamic blocks: the code description before their data, the faults it can hold, and the
// unusual codes that it may describe and that must still decode.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "rawinflate_check.h"

using namespace deflate;

namespace {

// A description with its fields as given; HCLEN just covers the non-zero lengths.
DynamicHeader raw_header(
    unsigned nlen, unsigned ndist,
    std::initializer_list<std::pair<std::uint8_t, std::uint8_t>> code_length_lengths,
    std::vector<CodeLengthSymbol> sequence) {
    DynamicHeader header;
    header.hlit = nlen - 257;
    header.hdist = ndist - 1;
    for (const auto& [symbol, length] : code_length_lengths)
        header.code_length_lengths[symbol] = length;
    unsigned written = 4;
    for (unsigned i = 0; i < 19; ++i)
        if (header.code_length_lengths[CODE_LENGTH_ORDER[i]] != 0)
            written = std::max(written, i + 1);
    header.hclen = written - 4;
    header.sequence = std::move(sequence);
    return header;
}

std::vector<std::uint8_t> lengths_with(
    std::size_t size, std::initializer_list<std::pair<unsigned, std::uint8_t>> codes) {
    std::vector<std::uint8_t> lengths(size, 0);
    for (const auto& [symbol, length] : codes) lengths.at(symbol) = length;
    return lengths;
}

// A valid description of the given lengths.
DynamicHeader header_for(const std::vector<std::uint8_t>& litlen,
                         const std::vector<std::uint8_t>& distance) {
    return dynamic_header_for(litlen, distance);
}

// A description that passes, for the literal 'x' and the end-of-block code.
DynamicHeader plain_header() {
    return header_for(lengths_with(257, {{'x', 1}, {END_OF_BLOCK, 1}}), {1});
}

DynamicHeader with_counts(unsigned hlit, unsigned hdist) {
    DynamicHeader header = plain_header();
    header.hlit = hlit;
    header.hdist = hdist;
    return header;
}

// The description of the exact-run cases: nlen 257, ndist 5, codes of length 1 for 'a', the
// end-of-block code and distance symbol 0, then last, a run over the 4 lengths left.
DynamicHeader header_ending_in(CodeLengthSymbol last) {
    return raw_header(257, 5, {{18, 1}, {1, 2}, {16, 3}, {17, 3}},
                      {{18, 86}, {1}, {18, 127}, {18, 9}, {1}, {1}, last});
}

// The stream of the tests below: a stored "head", then the dynamic block as the final one.
struct DynamicStream {
    BitWriter writer;
    std::uint64_t start = 0;
    std::uint64_t description_end = 0;
};

DynamicStream head_then(const DynamicHeader& header) {
    DynamicStream s;
    put_stored_block(s.writer, false, bytes_of("head"));
    s.start = s.writer.bit_length;
    put_block_header(s.writer, true, DYNAMIC_BLOCK);
    put_dynamic_header(s.writer, header);
    s.description_end = s.writer.bit_length;
    return s;
}

const std::string HEAD_LINE = statistics_line(0, 1, 0, 4);

// Checks a stream that stops at a fault in the dynamic block, the second one, followed by
// zero bytes of each of the given counts.
void expect_fault_after_head(const std::vector<std::uint8_t>& stream, const std::string& output,
                             const std::string& fault, std::span<const std::size_t> tails) {
    for (const std::size_t tail : tails) {
        SCOPED_TRACE(std::to_string(tail) + " bytes after the fault");
        std::vector<std::uint8_t> padded = stream;
        padded.insert(padded.end(), tail, 0);
        const Inflated result = inflate_stream(padded);
        EXPECT_EQ(result.run.exit_status, 1);
        EXPECT_EQ(result.output, bytes_of(output));
        EXPECT_EQ(result.run.standard_output, HEAD_LINE);
        EXPECT_EQ(result.run.standard_error, fault_line(result.input_path, fault, 2));
    }
}

TEST(DynamicHeader, FaultsOfTheDescriptionStopBeforeTheBlockData) {
    struct Case {
        const char* name;
        DynamicHeader header;
        const char* fault;
    };
    const std::vector<Case> cases = {
        {"HLIT 30", with_counts(30, 0), "too many literal/length or distance codes"},
        {"HLIT 31", with_counts(31, 0), "too many literal/length or distance codes"},
        {"HDIST 30", with_counts(0, 30), "too many literal/length or distance codes"},
        {"HDIST 31", with_counts(29, 31), "too many literal/length or distance codes"},
        {"code-length code over-subscribed", raw_header(257, 1, {{0, 1}, {1, 1}, {2, 1}}, {}),
         "invalid code-length code"},
        {"code-length code of one symbol", raw_header(257, 1, {{0, 1}}, {}),
         "invalid code-length code"},
        {"code-length code incomplete", raw_header(257, 1, {{16, 2}, {17, 2}, {18, 2}}, {}),
         "invalid code-length code"},
        {"code-length code without codes", raw_header(257, 1, {}, {}),
         "code-length code not in table"},
        {"repeat as the first length", raw_header(257, 1, {{16, 1}, {0, 1}}, {{16, 0}, {0}}),
         "length repeat with no previous length"},
        {"zero run one past the last length", header_ending_in({17, 2}),
         "length repeat runs past the last length"},
        {"zero run far past the last length", header_ending_in({18, 127}),
         "length repeat runs past the last length"},
        {"repeat one past the last length", header_ending_in({16, 2}),
         "length repeat runs past the last length"},
        {"literal/length code over-subscribed",
         header_for(lengths_with(257, {{'a', 1}, {'b', 1}, {END_OF_BLOCK, 1}}), {1}),
         "invalid literal/length code lengths"},
        {"literal/length code incomplete with two codes",
         header_for(lengths_with(257, {{'a', 1}, {END_OF_BLOCK, 2}}), {1}),
         "invalid literal/length code lengths"},
        {"both codes faulty: the literal/length code is tested first",
         header_for(lengths_with(257, {{'a', 2}, {END_OF_BLOCK, 2}}), {2, 2}),
         "invalid literal/length code lengths"},
        {"distance code over-subscribed",
         header_for(lengths_with(257, {{'x', 1}, {END_OF_BLOCK, 1}}), {1, 1, 1}),
         "invalid distance code lengths"},
        {"distance code of two codes of length 2",
         header_for(lengths_with(257, {{'x', 1}, {END_OF_BLOCK, 1}}), {0, 2, 0, 2}),
         "invalid distance code lengths"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DynamicStream s = head_then(c.header);
        // Bits behind the description: a literal 'x' and the end of the block under the plain
        // code.
        put_bits(s.writer, 0b10, 2);
        // Only the short tail: these faults lie before any block data, and every run costs.
        expect_fault_after_head(s.writer.bytes, "head", c.fault, std::span(FAULT_TAILS).first(1));
    }
}

TEST(DynamicHeader, CodesThatDecodeNothingFailAtTheirFirstMissingCode) {
    struct Case {
        const char* name;
        DynamicHeader header;
        std::vector<std::uint8_t> litlen;  // the lengths the description gives
        std::vector<std::uint8_t> distance;
        std::vector<LzItem> items;  // decodable items before the missing code
        unsigned length_symbol;     // 0: the missing code is a literal/length code
        const char* output;
        const char* fault;
    };
    const std::vector<std::uint8_t> all_zero(257, 0);
    const std::vector<std::uint8_t> with_length =
        lengths_with(258, {{'a', 1}, {257, 2}, {END_OF_BLOCK, 2}});
    const std::vector<Case> cases = {
        // HCLEN 0: four lengths of 2 for 16, 17, 18 and 0 are complete; 138 + 120 zeros.
        {"empty literal/length code",
         raw_header(257, 1, {{16, 2}, {17, 2}, {18, 2}, {0, 2}}, {{18, 127}, {18, 109}}),
         all_zero,
         {0},
         {},
         0,
         "head",
         "literal/length code not in table"},
        {"single literal/length code",
         header_for(lengths_with(257, {{'a', 1}}), {1}),
         lengths_with(257, {{'a', 1}}),
         {1},
         literals("aa"),
         0,
         "headaa",
         "literal/length code not in table"},
        {"empty distance code",
         header_for(with_length, {0}),
         with_length,
         {0},
         literals("aa"),
         257,
         "headaa",
         "distance code not in table"},
        {"single distance code",
         header_for(with_length, {1}),
         with_length,
         {1},
         literals("a"),
         257,
         "heada",
         "distance code not in table"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DynamicStream s = head_then(c.header);
        const HuffmanCode litlen = canonical_code(c.litlen);
        const HuffmanCode distance = canonical_code(c.distance);
        for (const LzItem item : c.items) put_item(s.writer, litlen, distance, item);
        if (c.length_symbol != 0) put_symbol(s.writer, litlen, c.length_symbol);
        // A first bit of 1 misses a single code of length 1 and the empty code alike.
        put_bits(s.writer, 1, 1);
        expect_fault_after_head(s.writer.bytes, c.output, c.fault, FAULT_TAILS);
    }
}

TEST(DynamicHeader, UnusualButValidCodesDecode) {
    struct Case {
        const char* name;
        DynamicHeader header;
        std::vector<std::uint8_t> litlen;  // the lengths the description gives
        std::vector<std::uint8_t> distance;
        std::vector<LzItem> items;
        const char* output;
    };
    const auto code_for = [](const std::vector<LzItem>& items, std::size_t nlen,
                             std::size_t ndist) {
        BlockCodeLengths lengths = code_lengths_for(items);
        lengths.litlen.resize(nlen, 0);
        lengths.distance.resize(ndist, 0);
        return lengths;
    };
    const std::vector<LzItem> match_items = literals_then("abcd", {match(6, 4)});
    const BlockCodeLengths largest = code_for(match_items, 286, 30);
    const std::vector<std::uint8_t> only_end = lengths_with(257, {{END_OF_BLOCK, 1}});
    const std::vector<std::uint8_t> only_end_9 = lengths_with(257, {{END_OF_BLOCK, 9}});
    const std::vector<std::uint8_t> a_and_end = lengths_with(257, {{'a', 1}, {END_OF_BLOCK, 1}});
    const BlockCodeLengths matches = code_lengths_for(match_items);
    const std::vector<std::uint8_t> distance_4_only = lengths_with(4, {{3, 1}});
    const std::vector<std::uint8_t> distance_4_long = lengths_with(4, {{3, 4}});
    const std::vector<std::uint8_t> across_litlen =
        lengths_with(258, {{'a', 1}, {'b', 2}, {256, 3}, {257, 3}});
    const std::vector<std::uint8_t> across_distance(8, 3);
    const std::vector<Case> cases = {
        {"286 literal/length and 30 distance lengths", header_for(largest.litlen, largest.distance),
         largest.litlen, largest.distance, match_items, "abcdabcdab"},
        {"single literal/length code of length 1",
         header_for(only_end, {1}),
         only_end,
         {1},
         {},
         ""},
        {"single literal/length code of length 9",
         header_for(only_end_9, {1}),
         only_end_9,
         {1},
         {},
         ""},
        {"two literal/length codes of length 1",
         header_for(a_and_end, {1}),
         a_and_end,
         {1},
         literals("aaa"),
         "aaa"},
        {"empty distance code with literals only",
         header_for(a_and_end, {0}),
         a_and_end,
         {0},
         literals("aa"),
         "aa"},
        {"single distance code of length 1", header_for(matches.litlen, distance_4_only),
         matches.litlen, distance_4_only, match_items, "abcdabcdab"},
        {"single distance code of length 4", header_for(matches.litlen, distance_4_long),
         matches.litlen, distance_4_long, match_items, "abcdabcdab"},
        // 97 zeros, 'a' 1, 'b' 2, 157 zeros, 256 3, then a repeat of 3 over 257 and the first
        // two distance lengths, and one of 6 over the rest.
        {"repeat from the literal/length into the distance lengths",
         raw_header(258, 8, {{18, 2}, {16, 2}, {3, 2}, {1, 3}, {2, 3}},
                    {{18, 86}, {1}, {2}, {18, 127}, {18, 8}, {3}, {16, 0}, {16, 3}}),
         across_litlen, across_distance, literals_then("ab", {match(3, 2)}), "ababa"},
        {"zero run that ends at the last length", header_ending_in({17, 1}), a_and_end,
         lengths_with(5, {{0, 1}}), literals("aa"), "aa"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DynamicStream s = head_then(c.header);
        const HuffmanCode litlen = canonical_code(c.litlen);
        const HuffmanCode distance = canonical_code(c.distance);
        for (const LzItem item : c.items) put_item(s.writer, litlen, distance, item);
        put_symbol(s.writer, litlen, END_OF_BLOCK);
        const std::string produced = c.output;
        const Inflated result = inflate_stream(s.writer.bytes);
        EXPECT_EQ(result.run.exit_status, 0);
        EXPECT_EQ(result.output, bytes_of("head" + produced));
        EXPECT_EQ(
            result.run.standard_output,
            HEAD_LINE + statistics_line({DYNAMIC_BLOCK, s.start, s.description_end,
                                         s.writer.bit_length, static_cast<int>(produced.size())}));
        EXPECT_EQ(result.run.standard_error, "");
    }
}

}  // namespace
