// Fuzz harness for byteslice's range copy: for any offset, length and file, positioned or
// reached by reading, the output is exactly the bytes of the range that exist. The first
// eight bytes of the fuzz input give the offset and the length, the ninth the way to reach
// the offset; the rest is the file.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>

#include "fuzz_files.h"
#include "range_copy.h"

using namespace fuzz_files;
using namespace slice;

namespace {

std::uint32_t little_endian_32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) |
           static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::uint8_t copy_buffer[COPY_BUFFER_SIZE];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 9) return 0;
    const std::span<const std::uint8_t> file(data + 9, size - 9);
    // Offsets and lengths near the file, where the interesting ends lie; the arithmetic for
    // the whole 32-bit range is the same.
    const std::uint32_t offset = little_endian_32(data) % static_cast<std::uint32_t>(file.size() + 16);
    const std::uint32_t length = little_endian_32(data + 4) % static_cast<std::uint32_t>(file.size() + 16);
    const bool by_reading = (data[8] & 1) != 0;

    std::FILE* const input = open_memory_input(file);
    MemoryOutput output = open_memory_output();
    CopyResult result{COPY_COMPLETE, 0};
    if (by_reading || !seek_to_offset(input, offset)) result = skip_by_reading(input, offset, copy_buffer);
    if (result.status == COPY_COMPLETE) result = copy_range(input, output.stream, length, copy_buffer);
    std::fclose(input);
    const std::vector<std::uint8_t> copied = close_memory_output(output);

    const std::size_t begin = std::min<std::size_t>(offset, file.size());
    const std::size_t end = std::min<std::size_t>(std::size_t{offset} + length, file.size());
    require(result.status == COPY_COMPLETE || result.status == COPY_INPUT_ENDED, "a memory copy failed");
    require(copied.size() == end - begin && std::equal(copied.begin(), copied.end(), file.begin() + begin),
            "the output is not the range of the input");
    return 0;
}
