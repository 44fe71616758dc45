// Stored blocks: bytes copied as they stand, across input refills and output flushes, with
// LEN alone deciding their size.
#include <gtest/gtest.h>

#include "rawinflate_check.h"

using namespace deflate;

namespace {

constexpr std::size_t MAX_STORED = 65535;

std::string stored_line(std::size_t size) {
    return statistics_line(0, 1, 0, static_cast<int>(size));
}

TEST(StoredBlocks, OneFinalBlockPrintsOneLineAndWritesItsBytes) {
    BitWriter writer;
    put_stored_block(writer, true, bytes_of("0123456789"));
    const Inflated result = inflate_stream(writer.bytes);
    EXPECT_EQ(result.run.exit_status, 0);
    EXPECT_EQ(result.run.standard_output, "type=0 h.size=    1 c.size=    0 d.size=   10\n");
    EXPECT_EQ(result.run.standard_error, "");
    EXPECT_EQ(result.output, bytes_of("0123456789"));
}

TEST(StoredBlocks, BlocksStraddlingRefillsAndFlushesKeepEveryByte) {
    // Odd sizes put block boundaries, LEN fields and data at every kind of place relative
    // to the 65,536-byte reads and writes.
    const std::size_t sizes[] = {MAX_STORED, 3, 65000, 1, 2, MAX_STORED, 40000, 131, MAX_STORED};
    BitWriter writer;
    std::vector<std::uint8_t> expected;
    std::string lines;
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        const std::vector<std::uint8_t> data =
            pattern_bytes(sizes[i], static_cast<std::uint32_t>(i));
        put_stored_block(writer, i + 1 == std::size(sizes), data);
        expected.insert(expected.end(), data.begin(), data.end());
        lines += stored_line(sizes[i]);
    }
    const Inflated result = inflate_stream(writer.bytes);
    EXPECT_EQ(result.run.exit_status, 0);
    EXPECT_EQ(result.run.standard_output, lines);
    EXPECT_EQ(result.run.standard_error, "");
    EXPECT_TRUE(result.output == expected)
        << "output of " << result.output.size() << " bytes, " << expected.size() << " expected";
}

TEST(StoredBlocks, OutputOfWholeBufferMultiplesIsWrittenExactly) {
    for (const std::size_t buffers : {1, 2, 3}) {
        const std::size_t total = 65536 * buffers;
        const std::vector<std::uint8_t> data = pattern_bytes(total, 11);
        BitWriter writer;
        std::string lines;
        for (std::size_t at = 0; at < total; at += MAX_STORED) {
            const std::size_t size = std::min(MAX_STORED, total - at);
            put_stored_block(writer, at + size == total,
                             std::span<const std::uint8_t>(data).subspan(at, size));
            lines += stored_line(size);
        }
        const Inflated result = inflate_stream(writer.bytes);
        EXPECT_EQ(result.run.exit_status, 0) << buffers;
        EXPECT_EQ(result.run.standard_output, lines) << buffers;
        EXPECT_EQ(result.output.size(), total) << buffers;
        EXPECT_TRUE(result.output == data) << buffers;
    }
}

TEST(StoredBlocks, StreamEndingExactlyAtAReadBoundary) {
    // 5 bytes of header, LEN and NLEN, then the data: the stream fills one read exactly.
    const std::vector<std::uint8_t> data = pattern_bytes(65536 - 5, 9);
    for (const bool final : {true, false}) {
        SCOPED_TRACE(final ? "final block" : "block that is not the final one");
        BitWriter writer;
        put_stored_block(writer, final, data);
        ASSERT_EQ(writer.bytes.size(), 65536u);
        const Inflated result = inflate_stream(writer.bytes);
        EXPECT_EQ(result.run.exit_status, final ? 0 : 1);
        EXPECT_EQ(result.run.standard_output, stored_line(data.size()));
        EXPECT_EQ(
            result.run.standard_error,
            final ? "" : cut_line(result.input_path, 2));
        EXPECT_TRUE(result.output == data) << result.output.size() << " bytes out";
    }
}

TEST(StoredBlocks, EmptyBlockStillReadsItsNlen) {
    BitWriter writer;
    put_stored_block(writer, false, {});
    put_stored_block(writer, false, bytes_of("abc"));
    put_stored_block(writer, true, {});
    const Inflated result = inflate_stream(writer.bytes);
    EXPECT_EQ(result.run.exit_status, 0);
    EXPECT_EQ(result.run.standard_output, stored_line(0) + stored_line(3) + stored_line(0));
    EXPECT_EQ(result.output, bytes_of("abc"));
}

TEST(StoredBlocks, NlenThatDoesNotMatchIsReadThroughWithLenAndReportedAtTheEnd) {
    const std::uint16_t len = 6;
    for (const std::uint16_t nlen :
         {std::uint16_t{0}, len, std::uint16_t(~(len + 1)), std::uint16_t{0xFFFF}}) {
        BitWriter writer;
        put_stored_block(writer, false, bytes_of("first"));
        put_stored_block(writer, false, bytes_of("stored"), len, nlen);
        put_stored_block(writer, false, bytes_of("again"), 5, 0);
        put_stored_block(writer, true, bytes_of("!"));
        const Inflated result = inflate_stream(writer.bytes);
        EXPECT_EQ(result.run.exit_status, 1) << "NLEN " << nlen;
        EXPECT_EQ(result.run.standard_error,
                  fault_line(result.input_path, "stored block length check fails", 2))
            << "the first such fault is named, NLEN " << nlen;
        EXPECT_EQ(result.run.standard_output,
                  stored_line(5) + stored_line(6) + stored_line(5) + stored_line(1))
            << "NLEN " << nlen;
        EXPECT_EQ(result.output, bytes_of("firststoredagain!")) << "NLEN " << nlen;
    }
}

TEST(StoredBlocks, AFaultThatEndsDecodingIsReportedBeforeOneReadThrough) {
    BitWriter writer;
    put_stored_block(writer, false, bytes_of("abc"), 3, 3);
    put_block_header(writer, true, RESERVED_BLOCK);
    const Inflated result = inflate_stream(writer.bytes);
    EXPECT_EQ(result.run.exit_status, 1);
    EXPECT_EQ(result.run.standard_output, stored_line(3));
    EXPECT_EQ(result.run.standard_error, fault_line(result.input_path, "reserved block type 3", 2));
    EXPECT_EQ(result.output, bytes_of("abc"));
}

TEST(StoredBlocks, BytesAfterTheFinalBlockAreIgnored) {
    BitWriter writer;
    put_stored_block(writer, false, bytes_of("first "));
    const std::uint64_t fixed_start = writer.bit_length;
    put_fixed_block(writer, true, literals("second"));
    const std::string lines =
        stored_line(6) +
        statistics_line({FIXED_BLOCK, fixed_start, fixed_start + 3, writer.bit_length, 6});

    // 0xFF would start a reserved block; the large tail reaches far beyond the first read.
    for (const std::size_t tail :
         {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{200000}}) {
        std::vector<std::uint8_t> stream = writer.bytes;
        stream.insert(stream.end(), tail, 0xFF);
        const Inflated result = inflate_stream(stream);
        EXPECT_EQ(result.run.exit_status, 0) << tail;
        EXPECT_EQ(result.run.standard_output, lines) << tail;
        EXPECT_EQ(result.run.standard_error, "") << tail;
        EXPECT_EQ(result.output, bytes_of("first second")) << tail;
    }
}

}  // namespace
