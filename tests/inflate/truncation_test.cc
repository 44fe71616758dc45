// Streams cut off before their end: whatever was decoded up to the cut is still written,
// the finished blocks keep their lines, and the program ends with status 1.
#include <gtest/gtest.h>

#include <algorithm>

#include "rawinflate_check.h"

using namespace deflate;

namespace {

// After bit bits of the stream, at least produced output bytes are decodable.
struct TracePoint {
    std::uint64_t bit;
    std::size_t produced;
};

// A stream of five blocks of every type, with the point at which each item and each
// stored byte becomes decodable. Kept small: every cut point costs a run of the program.
struct TracedStream {
    BitWriter writer;
    std::vector<std::uint8_t> output;
    std::vector<TracePoint> trace;
    std::vector<std::uint64_t> block_ends;
    std::string lines;
};

void put_traced_items(TracedStream& s, const HuffmanCode& litlen, const HuffmanCode& distance,
                      std::span<const LzItem> items) {
    for (const LzItem item : items) {
        put_item(s.writer, litlen, distance, item);
        s.output = expand_items(std::move(s.output), std::span(&item, 1));
        s.trace.push_back({s.writer.bit_length, s.output.size()});
    }
    put_symbol(s.writer, litlen, END_OF_BLOCK);
}

void put_traced_stored(TracedStream& s, bool final, std::string_view text) {
    const std::uint64_t start = s.writer.bit_length;
    put_stored_block(s.writer, final, bytes_of(text));
    const std::uint64_t data_start = s.writer.bit_length - 8 * text.size();
    for (std::size_t i = 0; i < text.size(); ++i) {
        s.output.push_back(static_cast<std::uint8_t>(text[i]));
        s.trace.push_back({data_start + 8 * (i + 1), s.output.size()});
    }
    s.block_ends.push_back(s.writer.bit_length);
    s.lines +=
        statistics_line({STORED_BLOCK, start, start + 3, start + 3, static_cast<int>(text.size())});
}

void put_traced_fixed(TracedStream& s, bool final, std::span<const LzItem> items) {
    const std::uint64_t start = s.writer.bit_length;
    const std::size_t before = s.output.size();
    put_block_header(s.writer, final, FIXED_BLOCK);
    put_traced_items(s, fixed_litlen_code(), fixed_distance_code(), items);
    s.block_ends.push_back(s.writer.bit_length);
    s.lines += statistics_line({FIXED_BLOCK, start, start + 3, s.writer.bit_length,
                                static_cast<int>(s.output.size() - before)});
}

void put_traced_dynamic(TracedStream& s, bool final, std::span<const LzItem> items) {
    const std::uint64_t start = s.writer.bit_length;
    const std::size_t before = s.output.size();
    const BlockCodeLengths lengths = code_lengths_for(items);
    put_block_header(s.writer, final, DYNAMIC_BLOCK);
    put_dynamic_header(s.writer, dynamic_header_for(lengths.litlen, lengths.distance));
    const std::uint64_t header_end = s.writer.bit_length;
    put_traced_items(s, canonical_code(lengths.litlen), canonical_code(lengths.distance), items);
    s.block_ends.push_back(s.writer.bit_length);
    s.lines += statistics_line({DYNAMIC_BLOCK, start, header_end, s.writer.bit_length,
                                static_cast<int>(s.output.size() - before)});
}

TracedStream five_block_stream() {
    TracedStream s;
    put_traced_stored(s, false, "st");
    put_traced_fixed(s, false, literals_then("fx", {match(5, 3), literal(0xF0), match(12, 1)}));
    put_traced_dynamic(s, false, literals_then("dy", {match(4, 3), match(10, 20)}));
    put_traced_stored(s, false, "");
    put_traced_fixed(s, true, literals_then("e", {match(3, 30)}));
    return s;
}

TEST(CutOffStreams, WholeStreamDecodesWithOneLinePerBlock) {
    const TracedStream s = five_block_stream();
    const Inflated result = inflate_stream(s.writer.bytes);
    EXPECT_EQ(result.run.exit_status, 0);
    EXPECT_EQ(result.run.standard_output, s.lines);
    EXPECT_EQ(result.run.standard_error, "");
    EXPECT_EQ(result.output, s.output);
}

TEST(CutOffStreams, EveryCutKeepsTheDecodedPrefixAndTheLinesOfFinishedBlocks) {
    const TracedStream s = five_block_stream();
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < s.lines.size();) {
        const std::size_t end = s.lines.find('\n', at) + 1;
        lines.push_back(s.lines.substr(at, end - at));
        at = end;
    }
    ASSERT_EQ(lines.size(), s.block_ends.size());

    for (std::size_t cut = 0; cut < s.writer.bytes.size(); ++cut) {
        const std::uint64_t bits = 8 * cut;
        const auto finished =
            static_cast<std::size_t>(std::count_if(s.block_ends.begin(), s.block_ends.end(),
                                                   [&](std::uint64_t end) { return end <= bits; }));
        std::size_t produced = 0;
        for (const TracePoint point : s.trace)
            if (point.bit <= bits) produced = std::max(produced, point.produced);
        std::string expected_lines;
        for (std::size_t i = 0; i < finished; ++i) expected_lines += lines[i];

        const Inflated result = inflate_stream(std::span(s.writer.bytes).first(cut));
        EXPECT_EQ(result.run.exit_status, 1) << "cut at byte " << cut;
        EXPECT_EQ(result.run.standard_output, expected_lines) << "cut at byte " << cut;
        EXPECT_EQ(result.run.standard_error,
                  cut_line(result.input_path, static_cast<unsigned>(finished + 1)))
            << "cut at byte " << cut;
        EXPECT_TRUE(std::equal(result.output.begin(), result.output.end(), s.output.begin()) &&
                    result.output.size() == produced)
            << "cut at byte " << cut << ": " << result.output.size() << " bytes out, the first "
            << produced << " of the whole output expected";
    }
}

}  // namespace
