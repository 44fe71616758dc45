// The file handling that every program shares; POSIX tells files apart by device and inode.
#include "program_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace files {

namespace {

bool is_standard_stream_name(const char* path) {
    return std::strcmp(path, "-") == 0;
}

bool same_file(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The stream's error: errno if the failing call left one, else EIO.
int stream_error() {
    return errno != 0 ? errno : EIO;
}

}  // namespace

std::FILE* open_input_file(const char* path) {
    if (is_standard_stream_name(path)) return stdin;
    return std::fopen(path, "rb");
}

bool is_input_file(const char* output_path, std::FILE* input) {
    struct stat input_status {};
    struct stat output_status {};
    if (fstat(fileno(input), &input_status) != 0 || !S_ISREG(input_status.st_mode)) return false;
    const int found = is_standard_stream_name(output_path)
                          ? fstat(STDOUT_FILENO, &output_status)
                          : stat(output_path, &output_status);
    return found == 0 && same_file(input_status, output_status);
}

const char* input_file_name(const char* path) {
    return is_standard_stream_name(path) ? "standard input" : path;
}

const char* output_file_name(const char* path) {
    return is_standard_stream_name(path) ? "standard output" : path;
}

std::FILE* open_output_file(const char* path) {
    if (is_standard_stream_name(path)) return stdout;
    return std::fopen(path, "wb");
}

std::FILE* lines_stream(std::FILE* output) {
    if (output == stdout) return stderr;
    struct stat output_status {};
    struct stat standard_status {};
    if (fstat(fileno(output), &output_status) != 0) return stdout;
    if (fstat(STDOUT_FILENO, &standard_status) != 0) return stdout;
    // A device such as /dev/null or a terminal keeps no data apart to protect: lines and
    // data both end up there (or nowhere) whichever stream carries the lines.
    if (S_ISCHR(output_status.st_mode)) return stdout;
    return same_file(output_status, standard_status) ? stderr : stdout;
}

int close_output_file(std::FILE* output) {
    errno = 0;
    if (output == stdout) return finish_standard_output();
    if (std::fflush(output) != 0 || std::ferror(output)) {
        const int error = stream_error();
        std::fclose(output);
        return error;
    }
    return std::fclose(output) == 0 ? 0 : stream_error();
}

int finish_standard_output() {
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) return stream_error();
    return 0;
}

int read_block(std::FILE* input, std::uint8_t* buffer, std::size_t size, std::size_t& count) {
    errno = 0;
    count = std::fread(buffer, 1, size, input);
    return count < size && std::ferror(input) ? stream_error() : 0;
}

int write_bytes(std::FILE* output, std::span<const std::uint8_t> bytes) {
    errno = 0;
    return std::fwrite(bytes.data(), 1, bytes.size(), output) == bytes.size() ? 0 : stream_error();
}

}  // namespace files
