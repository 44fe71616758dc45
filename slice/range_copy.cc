// The range copy of byteslice. Positions and sizes within the range are unsigned 32-bit,
// like the offset and the length themselves.
#include "range_copy.h"

#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>

static_assert(sizeof(off_t) >= 8, "offsets up to 4 GiB - 1 need a 64-bit file offset");

namespace slice {

namespace {

// A read came up short: end of input, or a read error with the errno it left.
CopyResult short_read(std::FILE* input, int read_errno) {
    if (std::ferror(input)) return {COPY_READ_FAILED, read_errno};
    return {COPY_INPUT_ENDED, 0};
}

}  // namespace

std::uint32_t next_chunk_size(std::uint32_t position, std::uint32_t length) {
    // Taken from what is left rather than from position + COPY_BUFFER_SIZE: that sum wraps
    // to a small number in the last chunk of a range ending near 4 GiB, and the range would
    // then never end.
    return std::min(length - position, COPY_BUFFER_SIZE);
}

bool seek_to_offset(std::FILE* input, std::uint32_t offset) {
    return fseeko(input, static_cast<off_t>(offset), SEEK_SET) == 0;
}

CopyResult skip_by_reading(std::FILE* input, std::uint32_t offset, std::uint8_t* buffer) {
    for (std::uint32_t position = 0; position < offset;) {
        const std::uint32_t chunk = next_chunk_size(position, offset);
        const std::size_t got = std::fread(buffer, 1, chunk, input);
        if (got < chunk) return short_read(input, errno);
        position += chunk;
    }
    return {COPY_COMPLETE, 0};
}

CopyResult copy_range(std::FILE* input, std::FILE* output, std::uint32_t length,
                      std::uint8_t* buffer) {
    for (std::uint32_t position = 0; position < length;) {
        const std::uint32_t chunk = next_chunk_size(position, length);
        const std::size_t got = std::fread(buffer, 1, chunk, input);
        // Kept before the write, which may change errno even when it succeeds.
        const int read_errno = errno;
        if (std::fwrite(buffer, 1, got, output) != got) return {COPY_WRITE_FAILED, errno};
        if (got < chunk) return short_read(input, read_errno);
        position += chunk;
    }
    return {COPY_COMPLETE, 0};
}

}  // namespace slice
