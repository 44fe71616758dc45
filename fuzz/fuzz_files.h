// What the harnesses share: memory files for the programs' drivers, and failing loudly.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

namespace fuzz_files {

// The drivers print their lines on standard output; a fuzzing run does not want them.
void silence_standard_output();

// A read-only stream over bytes (also when there are none).
std::FILE* open_memory_input(std::span<const std::uint8_t> bytes);

struct MemoryOutput {
    std::FILE* stream;
    char* buffer;
    std::size_t size;
};
MemoryOutput open_memory_output();
// Closes the stream and returns what was written to it.
std::vector<std::uint8_t> close_memory_output(MemoryOutput& output);

// Aborts with the message when a promise of the program is broken: the engine reports it
// as a crash and keeps the input.
void require(bool condition, const char* message);

}  // namespace fuzz_files
