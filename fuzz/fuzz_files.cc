// Memory files through the C library's own memory streams, so the drivers run unchanged.
#include "fuzz_files.h"

#include <cstdlib>

namespace fuzz_files {

void silence_standard_output() {
    static const bool silenced = std::freopen("/dev/null", "w", stdout) != nullptr;
    require(silenced, "cannot send standard output to /dev/null");
}

std::FILE* open_memory_input(std::span<const std::uint8_t> bytes) {
    // A memory stream of size 0 is refused; an empty file reads the same.
    std::FILE* const stream =
        bytes.empty() ? std::fopen("/dev/null", "rb")
                      : fmemopen(const_cast<std::uint8_t*>(bytes.data()), bytes.size(), "rb");
    require(stream != nullptr, "cannot open a memory input");
    return stream;
}

MemoryOutput open_memory_output() {
    MemoryOutput output{nullptr, nullptr, 0};
    output.stream = open_memstream(&output.buffer, &output.size);
    require(output.stream != nullptr, "cannot open a memory output");
    return output;
}

std::vector<std::uint8_t> close_memory_output(MemoryOutput& output) {
    require(std::fclose(output.stream) == 0, "cannot close a memory output");
    std::vector<std::uint8_t> bytes(output.buffer, output.buffer + output.size);
    std::free(output.buffer);
    return bytes;
}

void require(bool condition, const char* message) {
    if (condition) return;
    std::fprintf(stderr, "broken promise: %s\n", message);
    std::abort();
}

}  // namespace fuzz_files
