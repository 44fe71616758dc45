// The shipped sample: make_sample still writes exactly it, and rawinflate decodes its raw
// stream to the text that its gzip trailer describes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "checksums.h"
#include "gzip_member.h"
#include "program_runner.h"

using namespace test_support;
using namespace scan;

namespace {

constexpr std::size_t GZIP_HEADER_SIZE = 10;
constexpr std::size_t GZIP_TRAILER_SIZE = 8;

TEST(Sample, RegeneratedSampleIsByteIdenticalToTheShippedOne) {
    std::filesystem::remove(REGENERATED_SAMPLE);
    const ProgramResult run = run_program(MAKE_SAMPLE_PROGRAM, {REGENERATED_SAMPLE});
    ASSERT_EQ(run.exit_status, 0) << run.standard_error;
    EXPECT_TRUE(read_file(REGENERATED_SAMPLE) == read_file(SHIPPED_SAMPLE))
        << "examples/sample.gz differs from what make_sample writes now";
}

TEST(Sample, ShippedSampleDecodesToTextMatchingItsTrailer) {
    const std::vector<std::uint8_t> sample = read_file(SHIPPED_SAMPLE);
    const std::optional<GzipMember> member = parse_gzip_member(sample);
    ASSERT_TRUE(member.has_value());
    ASSERT_EQ(member->data_offset, GZIP_HEADER_SIZE) << "a header with no optional fields";
    ASSERT_EQ(member->data_length, sample.size() - GZIP_HEADER_SIZE - GZIP_TRAILER_SIZE);

    TempDir folder;
    const std::string raw = folder.file("sample.raw");
    const std::string text = folder.file("sample.txt");
    write_file(raw, std::vector<std::uint8_t>(sample.begin() + GZIP_HEADER_SIZE,
                                              sample.end() - GZIP_TRAILER_SIZE));
    const ProgramResult run = run_program(RAWINFLATE_PROGRAM, {raw, text});
    ASSERT_EQ(run.exit_status, 0) << run.standard_error;
    EXPECT_EQ(run.standard_error, "");
    // One line for the fixed-code block, then one for the final dynamic block.
    EXPECT_EQ(run.standard_output.rfind("type=1 ", 0), 0u) << run.standard_output;
    EXPECT_NE(run.standard_output.find("\ntype=2 "), std::string::npos) << run.standard_output;
    EXPECT_EQ(std::count(run.standard_output.begin(), run.standard_output.end(), '\n'), 2);

    const std::vector<std::uint8_t> decoded = read_file(text);
    EXPECT_EQ(crc32(decoded), member->last_trailer.crc32);
    EXPECT_EQ(decoded.size(), member->last_trailer.isize);
    EXPECT_TRUE(std::all_of(decoded.begin(), decoded.end(), [](std::uint8_t c) {
        return c == '\n' || (c >= 0x20 && c < 0x7F);
    })) << "the sample decodes to readable text";
}

}  // namespace
