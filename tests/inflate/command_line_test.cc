// rawinflate's command line, exit statuses and failures of its files, as a user meets them.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <span>

#include "failing_read.h"
#include "rawinflate_check.h"

using namespace test_support;

namespace {

// A final stored block of size pattern bytes.
std::vector<std::uint8_t> stored_stream(std::size_t size) {
    BitWriter writer;
    put_stored_block(writer, true, pattern_bytes(size, 7));
    return writer.bytes;
}

std::size_t files_in(const TempDir& folder) {
    const std::filesystem::directory_iterator entries(folder.path);
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

TEST(RawinflateCommandLine, FewerThanTwoFileArgumentsEndSilentlyWithStatus2) {
    TempDir folder;
    const std::string input = folder.file("in.raw");
    write_file(input, stored_stream(10));
    const std::vector<std::vector<std::string>> argument_lists = {{}, {input}};
    for (const std::vector<std::string>& arguments : argument_lists) {
        const ProgramResult run = run_rawinflate(arguments);
        EXPECT_EQ(run.exit_status, 2) << arguments.size() << " arguments";
        EXPECT_EQ(run.standard_output, "");
        EXPECT_EQ(run.standard_error, "");
    }
    EXPECT_EQ(files_in(folder), 1u) << "nothing but the input is in the folder";
}

TEST(RawinflateCommandLine, MissingInputEndsSilentlyWithStatus2AndCreatesNoOutput) {
    TempDir folder;
    const std::string output = folder.file("out");
    const ProgramResult run = run_rawinflate({folder.file("missing.raw"), output});
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_EQ(run.standard_output, "");
    EXPECT_EQ(run.standard_error, "");
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST(RawinflateCommandLine, UncreatableOutputEndsSilentlyWithStatus2) {
    TempDir folder;
    const std::string input = folder.file("in.raw");
    write_file(input, stored_stream(10));
    const ProgramResult run = run_rawinflate({input, folder.file("no-such-folder/out")});
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_EQ(run.standard_output, "");
    EXPECT_EQ(run.standard_error, "");
}

TEST(RawinflateCommandLine, ArgumentsAfterTheSecondAreIgnored) {
    TempDir folder;
    const std::string input = folder.file("in.raw");
    const std::string output = folder.file("out");
    write_file(input, stored_stream(10));
    const ProgramResult run = run_rawinflate({input, output, folder.file("extra"), "-v"});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.standard_output, statistics_line(0, 1, 0, 10));
    EXPECT_EQ(run.standard_error, "");
    EXPECT_EQ(read_file(output), pattern_bytes(10, 7));
    EXPECT_EQ(files_in(folder), 2u) << "the extra argument names no file that gets created";
}

TEST(RawinflateCommandLine, ExistingOutputIsTruncated) {
    TempDir folder;
    const std::string input = folder.file("in.raw");
    const std::string output = folder.file("out");
    write_file(input, stored_stream(10));
    write_file(output, pattern_bytes(5000, 1));
    EXPECT_EQ(run_rawinflate({input, output}).exit_status, 0);
    EXPECT_EQ(read_file(output), pattern_bytes(10, 7));
}

TEST(RawinflateCommandLine, EmptyInputEndsBeforeTheFirstBlockWithStatus1) {
    const Inflated result = inflate_stream({});
    EXPECT_EQ(result.run.exit_status, 1);
    EXPECT_EQ(result.run.standard_output, "");
    EXPECT_EQ(result.run.standard_error,
              cut_line(result.input_path, 1));
    EXPECT_TRUE(result.output_exists);
    EXPECT_TRUE(result.output.empty());
}

TEST(RawinflateCommandLine, EmptyFinalStoredBlockCreatesAnEmptyOutput) {
    const Inflated result = inflate_stream(stored_stream(0));
    EXPECT_EQ(result.run.exit_status, 0);
    EXPECT_EQ(result.run.standard_output, statistics_line(0, 1, 0, 0));
    EXPECT_EQ(result.run.standard_error, "");
    EXPECT_TRUE(result.output_exists);
    EXPECT_TRUE(result.output.empty());
}

TEST(RawinflateCommandLine, ReadErrorEndsWithStatus2AndOneLine) {
    TempDir folder;
    // fopen "rb" accepts a folder on Linux; the first read then fails with EISDIR.
    const std::string input = folder.file("a-folder");
    std::filesystem::create_directory(input);
    const ProgramResult run = run_rawinflate({input, folder.file("out")});
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_EQ(run.standard_error, "rawinflate: " + input + ": " + std::strerror(EISDIR) + "\n");
    EXPECT_EQ(run.standard_output, "");
}

TEST(RawinflateCommandLine, WriteErrorEndsWithStatus2AndOneLine) {
    // The small output fails only at the final flush; the large one at its first full buffer.
    for (const std::size_t size : {std::size_t{100}, std::size_t{65535}}) {
        TempDir folder;
        const std::string input = folder.file("in.raw");
        BitWriter writer;
        put_stored_block(writer, false, pattern_bytes(size, 3));
        put_stored_block(writer, true, pattern_bytes(size, 4));
        write_file(input, writer.bytes);
        const ProgramResult run = run_rawinflate({input, "/dev/full"});
        EXPECT_EQ(run.exit_status, 2) << size;
        EXPECT_EQ(run.standard_error,
                  std::string("rawinflate: /dev/full: ") + std::strerror(ENOSPC) + "\n")
            << size;
    }
}

TEST(RawinflateCommandLine, FaultOnStandardInputNamesTheStream) {
    TempDir folder;
    const std::vector<std::uint8_t> stream = stored_stream(100);
    write_file(folder.file("cut.raw"), std::vector<std::uint8_t>(stream.begin(), stream.begin() + 20));
    const ProgramResult run =
        run_program(RAWINFLATE_PROGRAM, {"-", folder.file("out")}, {folder.file("cut.raw"), ""});
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.standard_error,
              cut_line("standard input", 1));
    EXPECT_TRUE(read_file(folder.file("out")) == pattern_bytes(15, 7)) << "the bytes that arrived";
}

TEST(RawinflateCommandLine, ReadErrorKeepsTheBytesDecodedBeforeIt) {
    if (!can_fail_reads()) GTEST_SKIP() << "no read errors can be made under an emulator";
    // Four stored blocks of 65,535 bytes; the read after two full buffers fails, when
    // 131,062 bytes are decoded and 65,526 of them still wait in the output buffer.
    BitWriter writer;
    for (std::uint32_t block = 0; block < 4; ++block)
        put_stored_block(writer, block == 3, pattern_bytes(65'535, block));
    constexpr std::size_t READ_BEFORE_ERROR = 2 * 65'536;
    TempDir folder;
    const std::string input = folder.file("in.raw");
    write_file(input, writer.bytes);
    // What the bytes before the error decode to, as a file that ends there shows.
    const Inflated cut = inflate_stream(std::span(writer.bytes).first(READ_BEFORE_ERROR));
    ASSERT_EQ(cut.output.size(), 131'062u);

    const ProgramResult run = run_with_failing_read(RAWINFLATE_PROGRAM, {input, folder.file("out")},
                                                    input, READ_BEFORE_ERROR);
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_EQ(run.standard_error, "rawinflate: " + input + ": " + std::strerror(EISDIR) + "\n");
    EXPECT_EQ(run.standard_output, cut.run.standard_output);
    const std::vector<std::uint8_t> kept = read_file(folder.file("out"));
    EXPECT_TRUE(kept == cut.output) << "kept " << kept.size() << " of " << cut.output.size() << " bytes";
}


}  // namespace
