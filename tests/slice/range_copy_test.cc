// The range copy on its own: how a range is cut into chunks, and how a short input ends it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "range_copy.h"

using namespace slice;

namespace {

// The chunk sizes the copy asks for, in order, for a range of length bytes.
std::vector<std::uint32_t> chunks_of(std::uint32_t length) {
    std::vector<std::uint32_t> chunks;
    for (std::uint32_t position = 0; position < length;) {
        chunks.push_back(next_chunk_size(position, length));
        position += chunks.back();
    }
    return chunks;
}

TEST(RangeCopy, ChunksAreWholeBuffersThenTheRest) {
    EXPECT_EQ(chunks_of(0), std::vector<std::uint32_t>{});
    EXPECT_EQ(chunks_of(1), std::vector<std::uint32_t>{1});
    EXPECT_EQ(chunks_of(1048576), std::vector<std::uint32_t>{1048576});
    EXPECT_EQ(chunks_of(1048577), (std::vector<std::uint32_t>{1048576, 1}));
}

TEST(RangeCopy, RangeEndingAtTheTopOfThirtyTwoBitsEnds) {
    const std::vector<std::uint32_t> chunks = chunks_of(0xFFFFFFFF);
    ASSERT_EQ(chunks.size(), 4096u);
    EXPECT_EQ(chunks.back(), 0xFFFFFu) << "the last chunk holds what is left, not a full buffer";
}

TEST(RangeCopy, InputEndingBeforeTheRangeEndsIsNotAFailure) {
    std::FILE* const input = std::tmpfile();
    std::FILE* const output = std::tmpfile();
    ASSERT_TRUE(input != nullptr && output != nullptr);
    const std::vector<std::uint8_t> bytes(100, 0x5A);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), input), bytes.size());
    std::vector<std::uint8_t> buffer(COPY_BUFFER_SIZE);

    std::rewind(input);
    EXPECT_EQ(skip_by_reading(input, 60, buffer.data()).status, COPY_COMPLETE);
    EXPECT_EQ(copy_range(input, output, 40, buffer.data()).status, COPY_COMPLETE);
    std::rewind(input);
    EXPECT_EQ(skip_by_reading(input, 101, buffer.data()).status, COPY_INPUT_ENDED);
    std::rewind(input);
    EXPECT_EQ(copy_range(input, output, 101, buffer.data()).status, COPY_INPUT_ENDED);
    EXPECT_EQ(std::ftell(output), 140) << "40 bytes, then the 100 that existed";
    std::fclose(input);
    std::fclose(output);
}

}  // namespace
