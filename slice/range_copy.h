// The range copy of byteslice: reaching the start of the range and moving its bytes from
// one stream to another through the one copy buffer.
#pragma once

#include <cstdint>
#include <cstdio>

namespace slice {

// Every read and every write of byteslice moves at most this many bytes.
constexpr std::uint32_t COPY_BUFFER_SIZE = 1048576;
static_assert(COPY_BUFFER_SIZE == 1u << 20, "the copy buffer is exactly 1 MiB");

enum CopyStatus {
    COPY_COMPLETE,      // every byte asked for was moved
    COPY_INPUT_ENDED,   // the input ended first; what existed was moved
    COPY_READ_FAILED,
    COPY_WRITE_FAILED,
};

struct CopyResult {
    CopyStatus status;
    int error_number;  // errno of the failed call, 0 unless the status is a failure
};

// Bytes to move next when position of length bytes are handled: at most one buffer and at
// most what is left of the range.
std::uint32_t next_chunk_size(std::uint32_t position, std::uint32_t length);

// Positions input at offset from its start, with a 64-bit file offset so that offsets of
// 2 GiB and more work. False when the input cannot be positioned (a pipe or a FIFO).
bool seek_to_offset(std::FILE* input, std::uint32_t offset);

// Reaches offset in an input that cannot be positioned by reading and discarding that many
// bytes through buffer.
CopyResult skip_by_reading(std::FILE* input, std::uint32_t offset, std::uint8_t* buffer);

// Moves length bytes from input to output through buffer, one chunk at a time; a short
// read ends the copy after its bytes are written.
CopyResult copy_range(std::FILE* input, std::FILE* output, std::uint32_t length,
                      std::uint8_t* buffer);

}  // namespace slice
