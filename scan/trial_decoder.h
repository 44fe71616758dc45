// The scanner's own driver of the decoder worker: one strict trial decode of a candidate
// stream, fed from wherever its bytes lie in the file, summing what it decodes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>

#include "decode_outcome.h"
#include "scan_input.h"

namespace scan {

// Where a stream's bytes lie: one run of the file, or, for PNG, the data of consecutive
// IDAT chunks, joined.
struct StreamSource {
    std::uint64_t position;     // the next file byte of the stream
    std::uint64_t segment_end;  // the end of the run that position lies in
    bool idat_chunks;           // another IDAT chunk may follow the run
    std::uint32_t parts;        // runs begun so far
};

StreamSource file_source(const ScanInput& input, std::uint64_t start);
StreamSource idat_source(std::uint64_t data_start, std::uint32_t length);

// Moves source on to the next byte of the stream, into the next IDAT chunk where one run
// ends. False when the stream's bytes have ended (or a read failed).
bool next_source_byte(ScanInput& input, StreamSource& source);

// Up to size bytes of the stream from source on, as if its runs were joined; fewer where
// they end.
std::size_t read_source(ScanInput& input, StreamSource& source, std::uint8_t* buffer,
                        std::size_t size);

enum class StreamChecksum { none, crc32, adler32 };

// Where the decoded bytes of a trial may go: a file made only when the first full buffer
// comes, so that the many trials that fail early make none.
struct DecodedFile {
    const char* path;  // null: the bytes go nowhere
    std::FILE* file;
    int error;         // the error number of a failed create or write, else 0
};

struct TrialDecode {
    inflate::DecodeOutcome outcome;
    std::uint64_t stream_bytes;  // to the byte that holds the last bit decoded
    std::uint64_t decoded_size;
    std::uint32_t coded_bytes;   // bytes of block headers and Huffman-coded data: not stored
    std::uint32_t checksum;      // over every decoded byte, of the kind asked for
    bool starts_as_expected;     // the first decoded bytes equal the expected ones
};

// Decodes the raw DEFLATE stream at source, strictly, through the decoder worker. Afterwards
// source stands on the byte after the last one the stream took. All decoded bytes but the
// last buffer's go to output; finish_decoded_file writes that rest. The decoded bytes are
// compared with expected_start as far as both reach within the first buffer.
TrialDecode decode_trial(ScanInput& input, StreamSource& source, StreamChecksum checksum,
                         DecodedFile& output, std::span<const std::uint8_t> expected_start = {});

// The first decoded bytes of the last trial, at most one buffer's: valid until the next.
std::span<const std::uint8_t> first_decoded_bytes();

// Writes the rest of the last trial's decoded bytes and closes the file, creating it if no
// byte was written yet; or, when keep is false, removes whatever was made.
void finish_decoded_file(DecodedFile& output, bool keep);

}  // namespace scan
