// The file handling the three programs share, as a user meets it in each: an output that is
// the input file, "-" and /dev/stdout for the data, and a standard output that fails.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "deflate_writer.h"
#include "program_runner.h"

using namespace test_support;

namespace {

struct Program {
    std::string name;
    std::string path;
    int failure_status;
    std::vector<std::string> range;  // the arguments after the two files
    std::vector<std::uint8_t> input;
};

std::vector<std::uint8_t> counting_bytes(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

// Each with more than one 64 KiB buffer of data and several lines.
std::vector<Program> programs() {
    BitWriter stream;
    put_stored_block(stream, false, counting_bytes(50'000));
    put_stored_block(stream, true, counting_bytes(40'000));
    return {
        {"rawinflate", RAWINFLATE_PROGRAM, 2, {}, stream.bytes},
        {"lztokens", LZTOKENS_PROGRAM, 2, {"1"}, counting_bytes(150'000)},
        {"byteslice", BYTESLICE_PROGRAM, 1, {"11", "20000"}, counting_bytes(150'000)},
    };
}

struct ProgramRun {
    ProgramResult result;
    std::vector<std::uint8_t> data;
};

// Runs program from input_name to output_name in folder, where "-" leads a standard stream
// to the file "in" or "captured"; any other name is a file in folder, or a path if absolute.
ProgramRun run_with_files(const Program& program, const TempDir& folder,
                          const std::string& input_name, const std::string& output_name) {
    write_file(folder.file("in"), program.input);
    const bool to_standard_output = output_name == "-" || output_name == "/dev/stdout";
    const auto path_of = [&](const std::string& name) {
        return name == "-" || name[0] == '/' ? name : folder.file(name);
    };
    std::vector<std::string> arguments = {path_of(input_name), path_of(output_name)};
    arguments.insert(arguments.end(), program.range.begin(), program.range.end());
    ProgramRun run{run_program(program.path, arguments,
                        {input_name == "-" ? folder.file("in") : "",
                         to_standard_output ? folder.file("captured") : ""}),
            {}};
    run.data = read_file(to_standard_output ? folder.file("captured") : path_of(output_name));
    return run;
}

// lztokens' lines carry an address that changes from run to run.
std::string without_addresses(const std::string& lines) {
    return std::regex_replace(lines, std::regex("[0-9A-F]{8} 33029"), "address 33029");
}

TEST(ProgramFiles, OutputThatIsTheInputFileIsRefusedAndTheInputKept) {
    for (const Program& program : programs()) {
        TempDir folder;
        write_file(folder.file("in"), program.input);
        ASSERT_EQ(link(folder.file("in").c_str(), folder.file("hard").c_str()), 0);
        ASSERT_EQ(symlink(folder.file("in").c_str(), folder.file("soft").c_str()), 0);
        const std::string other_path = folder.path.string() + "/./in";
        for (const std::string& output :
             {folder.file("in"), other_path, folder.file("hard"), folder.file("soft")}) {
            std::vector<std::string> arguments = {folder.file("in"), output};
            arguments.insert(arguments.end(), program.range.begin(), program.range.end());
            const ProgramResult result = run_program(program.path, arguments);
            const std::string what = program.name + " " + output;
            EXPECT_EQ(result.exit_status, program.failure_status) << what;
            EXPECT_EQ(result.standard_output, "") << what;
            EXPECT_EQ(result.standard_error, program.name + ": " + output + ": is the input file\n");
            EXPECT_TRUE(read_file(folder.file("in")) == program.input) << what;
        }
    }
}

TEST(ProgramFiles, StandardStreamsCarryTheExactDataAndTheLinesMoveToStandardError) {
    for (const Program& program : programs()) {
        TempDir plain_folder;
        const ProgramRun plain = run_with_files(program, plain_folder, "in", "out");
        ASSERT_EQ(plain.result.exit_status, 0) << program.name;
        ASSERT_NE(plain.result.standard_output, "") << program.name;
        const struct {
            std::string input;
            std::string output;
        } cases[] = {{"in", "-"}, {"in", "/dev/stdout"}, {"-", "out"}, {"-", "-"}};
        for (const auto& c : cases) {
            TempDir folder;
            const ProgramRun streamed = run_with_files(program, folder, c.input, c.output);
            const std::string what = program.name + " " + c.input + " " + c.output;
            const bool to_standard_output = c.output != "out";
            EXPECT_EQ(streamed.result.exit_status, 0) << what;
            EXPECT_EQ(without_addresses(to_standard_output ? streamed.result.standard_error
                                                           : streamed.result.standard_output),
                      without_addresses(plain.result.standard_output))
                << what;
            EXPECT_TRUE(streamed.data == plain.data) << what << ": the data differ";
        }
    }
}

TEST(ProgramFiles, FailingStandardOutputIsAFailureWithOneLine) {
    for (const Program& program : programs()) {
        TempDir folder;
        write_file(folder.file("in"), program.input);
        std::vector<std::string> arguments = {folder.file("in"), folder.file("out")};
        arguments.insert(arguments.end(), program.range.begin(), program.range.end());
        const ProgramResult result = run_program(program.path, arguments, {"", "/dev/full"});
        EXPECT_EQ(result.exit_status, program.failure_status) << program.name;
        EXPECT_EQ(result.standard_error,
                  program.name + ": standard output: " + std::strerror(ENOSPC) + "\n");
    }
}

}  // namespace
