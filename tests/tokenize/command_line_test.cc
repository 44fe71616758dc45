// What a user of lztokens sees besides the tokens: the trace lines, the exit statuses, the
// one-line messages, and how the level argument is read.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "failing_read.h"
#include "generated_inputs.h"
#include "lztokens_checks.h"
#include "reference_parse.h"

using namespace test_support;

namespace {

std::vector<std::string> files_in(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::ranges::sort(names);
    return names;
}

TEST(LztokensCommandLine, PrintsOneTraceLinePerRefillAndNothingElse) {
    struct TraceCase {
        std::size_t size;
        std::vector<std::array<long, 3>> refills;  // first_block, last_block, bytes read
    };
    const std::vector<TraceCase> cases = {
        {0, {{1, 0, 0}, {1, 1, 0}}},
        {65'535, {{1, 0, 65'535}, {1, 1, 0}}},
        {65'536, {{1, 0, 65'536}, {0, 0, 0}, {0, 1, 0}}},
        {100'000, {{1, 0, 65'536}, {0, 0, 34'464}, {0, 1, 0}}},
        {131'072, {{1, 0, 65'536}, {0, 0, 65'536}, {0, 0, 0}, {0, 1, 0}}},
    };
    for (const TraceCase& trace : cases) {
        const TokenRun run = run_lztokens(random_input(trace.size, 1), {});
        EXPECT_EQ(run.result.exit_status, 0) << trace.size << " bytes";
        EXPECT_EQ(run.result.standard_error, "") << trace.size << " bytes";
        std::vector<TraceLine> lines;
        EXPECT_TRUE(parse_trace(run.result.standard_output, lines)) << trace.size << " bytes";
        if (lines.empty()) continue;
        // The address is whatever the first line says; every line must repeat it.
        std::string expected;
        for (const std::array<long, 3>& refill : trace.refills)
            expected += std::to_string(refill[0]) + " " + std::to_string(refill[1]) + " " +
                        std::to_string(refill[2]) + " " + lines[0].address + " 33029\n";
        EXPECT_EQ(run.result.standard_output, expected) << trace.size << " bytes";
    }
}

TEST(LztokensCommandLine, FewerThanTwoFilesIsStatusTwoAndCreatesNothing) {
    TempDir folder;
    write_file(folder.file("input"), bytes_of("abcabcabc"));
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, std::vector<std::string>{folder.file("input")}}) {
        const ProgramResult result = run_program(LZTOKENS_PROGRAM, arguments);
        EXPECT_EQ(result.exit_status, 2) << arguments.size() << " arguments";
        EXPECT_EQ(result.standard_output, "");
        EXPECT_EQ(result.standard_error, "");
    }
    EXPECT_EQ(files_in(folder.path), std::vector<std::string>{"input"});
}

TEST(LztokensCommandLine, MissingInputIsStatusTwoAndLeavesTheOutputAlone) {
    TempDir folder;
    write_file(folder.file("existing"), bytes_of("earlier contents"));
    for (const std::string output : {"existing", "new"}) {
        const ProgramResult result =
            run_program(LZTOKENS_PROGRAM, {folder.file("missing"), folder.file(output)});
        EXPECT_EQ(result.exit_status, 2) << output;
        EXPECT_EQ(result.standard_output, "");
        EXPECT_EQ(result.standard_error, "");
    }
    EXPECT_EQ(read_file(folder.file("existing")), bytes_of("earlier contents"));
    EXPECT_EQ(files_in(folder.path), std::vector<std::string>{"existing"});
}

TEST(LztokensCommandLine, OutputThatCannotBeCreatedIsStatusTwoAndSilent) {
    TempDir folder;
    write_file(folder.file("input"), bytes_of("abcabcabc"));
    const ProgramResult result =
        run_program(LZTOKENS_PROGRAM, {folder.file("input"), folder.file("no-such-folder/tokens")});
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.standard_output, "");
    EXPECT_EQ(result.standard_error, "");
}

TEST(LztokensCommandLine, LevelOutsideZeroToNineIsRefusedBeforeTheOutputIsTouched) {
    TempDir folder;
    write_file(folder.file("input"), bytes_of("abcabcabc"));
    write_file(folder.file("existing"), bytes_of("earlier contents"));
    for (const std::string level : {"-1", "10", "99", "-7x"}) {
        for (const std::string output : {"existing", "new"}) {
            const ProgramResult result =
                run_program(LZTOKENS_PROGRAM, {folder.file("input"), folder.file(output), level});
            EXPECT_EQ(result.exit_status, 2) << level;
            EXPECT_EQ(result.standard_output, "") << level;
            EXPECT_EQ(result.standard_error,
                      "lztokens: " + level + ": level must be from 0 to 9\n");
        }
    }
    EXPECT_EQ(read_file(folder.file("existing")), bytes_of("earlier contents"));
    EXPECT_EQ(files_in(folder.path), (std::vector<std::string>{"existing", "input"}));
}

// Text with a long run of one byte: every level parses it differently, so a stream tells the
// level that made it.
Bytes level_telling_input() {
    Bytes bytes = generated_input(InputKind::text, 30'000, 5);
    bytes.insert(bytes.end(), 1'000, 'x');
    return bytes;
}

TEST(LztokensCommandLine, ReadsTheLevelAsAtoiDoes) {
    struct LevelArguments {
        std::vector<std::string> arguments;
        int level;
    };
    const std::vector<LevelArguments> cases = {
        {{}, 3},              // no level argument
        {{"abc"}, 0},         // no digits
        {{"3x"}, 3},          // digits up to the first other character
        {{" 7"}, 7},          // leading white space
        {{"+8"}, 8},          // a sign
        {{"09"}, 9},          // a leading zero
        {{"5", "extra"}, 5},  // a fourth argument changes nothing
    };
    const Bytes input = level_telling_input();
    std::vector<Bytes> expected;
    for (int level = LOWEST_LEVEL; level <= HIGHEST_LEVEL; ++level) {
        expected.push_back(reference_parse(input, level));
        for (int earlier = LOWEST_LEVEL; earlier < level; ++earlier)
            ASSERT_TRUE(expected[earlier] != expected[level])
                << "levels " << earlier << " and " << level << " give the same stream";
    }
    for (const LevelArguments& the_case : cases) {
        std::string name = "arguments";
        for (const std::string& argument : the_case.arguments) name += " \"" + argument + "\"";
        const TokenRun run = run_lztokens(input, the_case.arguments);
        EXPECT_TRUE(ran_cleanly(run, input.size())) << name;
        EXPECT_EQ(first_token_difference(run.stream, expected[the_case.level]), "") << name;
    }
}

TEST(LztokensCommandLine, ReadErrorIsStatusTwoWithOneLine) {
    TempDir folder;
    std::filesystem::create_directory(folder.file("folder"));
    const ProgramResult result =
        run_program(LZTOKENS_PROGRAM, {folder.file("folder"), folder.file("tokens")});
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.standard_error,
              "lztokens: " + folder.file("folder") + ": " + std::strerror(EISDIR) + "\n");
    std::vector<TraceLine> lines;
    EXPECT_TRUE(parse_trace(result.standard_output, lines));
}

TEST(LztokensCommandLine, WriteErrorIsStatusTwoWithOneLine) {
    // A few tokens fail only at the final flush; 100,000 bytes fill the token buffer first.
    for (const std::size_t size : {10, 100'000}) {
        TempDir folder;
        write_file(folder.file("input"), random_input(size, 2));
        const ProgramResult result =
            run_program(LZTOKENS_PROGRAM, {folder.file("input"), "/dev/full"});
        EXPECT_EQ(result.exit_status, 2) << size << " bytes";
        EXPECT_EQ(result.standard_error,
                  std::string("lztokens: /dev/full: ") + std::strerror(ENOSPC) + "\n")
            << size << " bytes";
        std::vector<TraceLine> lines;
        EXPECT_TRUE(parse_trace(result.standard_output, lines)) << size << " bytes";
    }
}

TEST(LztokensCommandLine, ReadErrorKeepsTheTokensMadeBeforeIt) {
    if (!can_fail_reads()) GTEST_SKIP() << "no read errors can be made under an emulator";
    // The read after two full blocks fails; every byte handed over by then, all but the 261
    // held back, has its token, and most of them still wait in the token buffer.
    constexpr std::size_t READ_BEFORE_ERROR = 2 * 65'536;
    const Bytes input = random_input(200'000, 4);
    const Bytes whole = reference_parse(input, 3);
    TempDir folder;
    write_file(folder.file("input"), input);
    const ProgramResult result = run_with_failing_read(
        LZTOKENS_PROGRAM, {folder.file("input"), folder.file("tokens")}, folder.file("input"),
        READ_BEFORE_ERROR);
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.standard_error,
              "lztokens: " + folder.file("input") + ": " + std::strerror(EISDIR) + "\n");
    std::vector<TraceLine> lines;
    EXPECT_TRUE(parse_trace(result.standard_output, lines));
    EXPECT_EQ(lines.size(), 2u) << "the failed read prints no line";

    const Bytes stream = read_file(folder.file("tokens"));
    ASSERT_LE(stream.size(), whole.size());
    const auto kept = static_cast<std::ptrdiff_t>(stream.size());
    const Bytes whole_prefix(whole.begin(), whole.begin() + kept);
    EXPECT_EQ(first_token_difference(stream, whole_prefix), "");
    EXPECT_GE(replay_tokens(stream).bytes.size(), READ_BEFORE_ERROR - 261)
        << stream.size() / TOKEN_SIZE << " tokens kept";
}


}  // namespace
