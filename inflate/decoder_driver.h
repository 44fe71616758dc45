// The decoder's driver: runs the worker through the driver loop, refilling its input from a
// file and writing its output to one.
#pragma once

#include <cstdint>
#include <cstdio>

#include "decode_outcome.h"
#include "driver_loop.h"

namespace inflate {

struct DecoderState;

struct DecodeFileResult {
    worker::DriveOutcome outcome;  // finished, or the read or write that failed
    int error;                     // the error number of a failed read or write, else 0
    DecodeOutcome decode;          // how decoding ended, when finished
    std::uint64_t stream_bytes;    // input bytes the stream took, to the byte of its last bit
};

// Decodes the raw DEFLATE stream of input into output, one statistics line per block to
// statistics (null: none). finished means the worker ended, at the final block or at a
// fault: decode says which. It stops at the first failed read or write, after writing what
// was decoded before it; the caller flushes and closes output. It may run again in the same
// process with fresh files.
DecodeFileResult decode_file(std::FILE* input, std::FILE* output, std::FILE* statistics);

// Readies state for a fresh stream whose output goes to the BUFFER_SIZE bytes of
// output_buffer, with no input yet, for a driver of its own that then runs decoder_entry. The
// history is left as it is: a strict decoder never reads before the start.
void reset_decoder(DecoderState& state, std::uint8_t* output_buffer, std::FILE* statistics,
                   bool strict);

}  // namespace inflate
