// Runs the kit's programs through their real command line and collects what a user sees.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

struct ProgramResult {
    int exit_status;  // 128 + signal number when the program was killed by a signal
    std::string standard_output;
    std::string standard_error;
};

// Where a program's standard streams lead, beside the captured standard error.
struct ProgramStreams {
    std::string standard_input;   // a path to read from; empty: the test's own standard input
    std::string standard_output;  // a path to write to (then not captured); empty: captured
};

// Runs program with arguments (under the cross-build emulator where there is one).
ProgramResult run_program(const std::string& program, const std::vector<std::string>& arguments,
                          const ProgramStreams& streams = {});

// A fresh folder under the system's temporary folder, removed with everything in it.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return (path / name).string(); }
    std::filesystem::path path;
};

std::vector<std::uint8_t> read_file(const std::string& path);
void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace test_support
