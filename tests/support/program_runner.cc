// fork and exec rather than system(), so that no shell quoting stands between a test's
// arguments and the program.
#include "program_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace test_support {

namespace {

std::vector<std::string> emulator_words() {
    std::vector<std::string> words;
    std::istringstream in(FLATEBITS_EMULATOR);
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

ProgramResult run_program(const std::string& program, const std::vector<std::string>& arguments,
                          const ProgramStreams& streams) {
    TempDir capture;
    const std::string out_path =
        streams.standard_output.empty() ? capture.file("stdout") : streams.standard_output;
    const std::string err_path = capture.file("stderr");

    std::vector<std::string> words = emulator_words();
    words.push_back(program);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
        if (!streams.standard_input.empty()) {
            const int in = open(streams.standard_input.c_str(), O_RDONLY);
            if (in < 0 || dup2(in, 0) < 0) _exit(126);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int wait_status = 0;
    while (waitpid(child, &wait_status, 0) < 0) {
    }
    ProgramResult result{};
    result.exit_status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status)
                                                : 128 + WTERMSIG(wait_status);
    if (streams.standard_output.empty()) result.standard_output = read_text(out_path);
    result.standard_error = read_text(err_path);
    return result;
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "flatebits-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::vector<std::uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace test_support
