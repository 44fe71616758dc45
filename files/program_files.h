// How every program of the kit opens, reads and writes its two files and finishes its lines:
// "-" names a standard stream, an output that is the input file is refused before anything
// truncates it, and a program's own lines stay out of an output that is standard output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>

namespace files {

// The input file opened for reading, or standard input for "-". Null when it cannot be opened.
std::FILE* open_input_file(const char* path);

// True when output_path ("-": standard output) already exists as the very regular file that
// input reads from: same device and inode, whichever name, hard link or symbolic link leads
// there. Opening it for writing would truncate the input before it is read.
bool is_input_file(const char* output_path, std::FILE* input);

// How the files are named in a program's messages: the path as given, and for "-" the
// standard stream it stands for.
const char* input_file_name(const char* path);
const char* output_file_name(const char* path);

// The output file created or truncated for writing, or standard output for "-". Null when it
// cannot be created.
std::FILE* open_output_file(const char* path);

// Where the program prints its own lines: standard output, or standard error when the
// output file is standard output itself (by "-", /dev/stdout or any other name of a file or
// pipe), so that the data stay exact. A character device such as /dev/null, named as the
// output while standard output also goes there, keeps the lines on standard output.
std::FILE* lines_stream(std::FILE* output);

// Flushes and closes a file opened by open_output_file; standard output is flushed and
// checked but left open. Returns 0, or the error number of the failure.
int close_output_file(std::FILE* output);

// Flushes standard output and tells whether every line reached it. Returns 0, or the error
// number of the failure (EIO when the stream recorded an error without one).
int finish_standard_output();

// One read of up to size bytes into buffer, fewer only at the end of the input; count tells
// how many came. Returns 0, or the error number of a failed read (EIO when it left none).
int read_block(std::FILE* input, std::uint8_t* buffer, std::size_t size, std::size_t& count);

// Writes all of bytes. Returns 0, or the error number of a short write (EIO when it left none).
int write_bytes(std::FILE* output, std::span<const std::uint8_t> bytes);

}  // namespace files
