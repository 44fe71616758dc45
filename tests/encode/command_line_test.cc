// What a user of tokdeflate sees besides the stream: the statuses and one-line messages of
// the command line, the standard streams for "-", and the lines kept out of the data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "failing_read.h"
#include "generated_inputs.h"
#include "tokdeflate_checks.h"

using namespace test_support;

namespace {

TEST(TokdeflateCommandLine, RefusalsAreStatusTwoWithOneLine) {
    TempDir folder;
    const std::string tokens = folder.file("tokens");
    write_file(tokens, token_file({{0, 'a'}, {0, 'b'}, {0, 'c'}, {3, 9}}));
    const std::string absent = folder.file("absent");
    struct Refusal {
        std::vector<std::string> arguments;
        std::string line;
    };
    const std::vector<Refusal> refusals = {
        {{}, "tokdeflate: usage: tokdeflate <tokens> <output> [best|dynamic|fixed|stored]\n"},
        {{tokens}, "tokdeflate: usage: tokdeflate <tokens> <output> [best|dynamic|fixed|stored]\n"},
        {{tokens, folder.file("out"), "Fixed"}, "tokdeflate: Fixed: mode must be best, dynamic, fixed or stored\n"},
        {{absent, folder.file("out")}, "tokdeflate: " + absent + ": No such file or directory\n"},
        {{tokens, tokens}, "tokdeflate: " + tokens + ": is the input file\n"},
        {{tokens, folder.file("no/such/folder")},
         "tokdeflate: " + folder.file("no/such/folder") + ": No such file or directory\n"},
    };
    for (const Refusal& refusal : refusals) {
        const ProgramResult result = run_program(TOKDEFLATE_PROGRAM, refusal.arguments);
        EXPECT_EQ(result.exit_status, 2) << refusal.line;
        EXPECT_EQ(result.standard_error, refusal.line);
        EXPECT_EQ(result.standard_output, "") << refusal.line;
    }
    // Neither a bad mode nor the same file touched anything.
    EXPECT_FALSE(std::filesystem::exists(folder.file("out")));
    EXPECT_EQ(read_file(tokens), token_file({{0, 'a'}, {0, 'b'}, {0, 'c'}, {3, 9}}));
}

TEST(TokdeflateCommandLine, DashReadsStandardInputAndWritesStandardOutput) {
    TempDir folder;
    const Bytes data = generated_input(InputKind::text, 100'000, 5);
    write_file(folder.file("tokens"), lztokens_of(data, 3));
    const ProgramResult by_name =
        run_program(TOKDEFLATE_PROGRAM, {folder.file("tokens"), folder.file("by_name")});
    ASSERT_EQ(by_name.exit_status, 0);

    // The stream on standard output, so the lines go to standard error.
    const ProgramResult piped = run_program(TOKDEFLATE_PROGRAM, {"-", "-"},
                                            ProgramStreams{folder.file("tokens"), folder.file("piped")});
    EXPECT_EQ(piped.exit_status, 0);
    EXPECT_EQ(read_file(folder.file("piped")), read_file(folder.file("by_name")));
    EXPECT_EQ(piped.standard_error, by_name.standard_output);

    // Standard output named by another name is still kept free of the lines.
    const ProgramResult named = run_program(TOKDEFLATE_PROGRAM, {folder.file("tokens"), "/dev/stdout"},
                                            ProgramStreams{"", folder.file("named")});
    EXPECT_EQ(named.exit_status, 0);
    EXPECT_EQ(read_file(folder.file("named")), read_file(folder.file("by_name")));
    EXPECT_EQ(named.standard_error, by_name.standard_output);
}

TEST(TokdeflateCommandLine, FullDeviceIsAWriteFailure) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TempDir folder;
    write_file(folder.file("tokens"), lztokens_of(random_input(200'000, 4), 1));
    const ProgramResult result = run_program(TOKDEFLATE_PROGRAM, {folder.file("tokens"), "/dev/full"});
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.standard_error, "tokdeflate: /dev/full: No space left on device\n");
}

TEST(TokdeflateCommandLine, ReadErrorKeepsTheBlocksCodedBeforeIt) {
    if (!can_fail_reads()) GTEST_SKIP() << "no read errors can be made under an emulator";
    // Three reads hand over three blocks of tokens; two are coded, and the third waits for
    // one token more when the fourth read fails. The two end in the middle of a byte.
    constexpr std::size_t READ_BEFORE_ERROR = 3 * 65'536;
    std::vector<HandToken> literals;
    for (unsigned i = 0; i < 70'000; ++i) literals.push_back({0, static_cast<std::uint16_t>(i * 7 % 253)});
    TempDir folder;
    const std::string tokens = folder.file("tokens");
    write_file(tokens, token_file(literals));
    const ProgramResult coded = run_with_failing_read(
        TOKDEFLATE_PROGRAM, {tokens, folder.file("out"), "fixed"}, tokens, READ_BEFORE_ERROR);
    EXPECT_EQ(coded.exit_status, 2);
    EXPECT_EQ(coded.standard_error, "tokdeflate: " + tokens + ": " + std::strerror(EISDIR) + "\n");

    const ProgramResult decoded = run_program(RAWINFLATE_PROGRAM, {folder.file("out"), folder.file("back")});
    EXPECT_EQ(decoded.standard_output, coded.standard_output);
    EXPECT_EQ(std::count(coded.standard_output.begin(), coded.standard_output.end(), '\n'), 2);
    EXPECT_EQ(decoded.standard_error, "rawinflate: " + folder.file("out") + ": input ends inside block 3\n");
    const Bytes replayed = replay(literals);
    EXPECT_EQ(read_file(folder.file("back")), Bytes(replayed.begin(), replayed.begin() + 2 * 16'384));
}

}  // namespace
