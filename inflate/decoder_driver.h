// The decoder's driver loop: runs the worker, refills its input, writes its output.
#pragma once

#include <cstdio>

enum class DecodeFileOutcome { finished, read_failed, write_failed };

struct DecodeFileResult {
    DecodeFileOutcome outcome;
    int error;  // the error number of a failed read or write, else 0
};

// Decodes the raw DEFLATE stream of input into output and lets the worker print one
// statistics line per block on statistics (null: none). finished means the worker ended, at
// the final block or at a fault: decode_outcome says which. It stops at the first failed
// read, after writing the bytes decoded before it, or at the first failed write; the caller
// flushes and closes output. It may run again in the same process with fresh files.
DecodeFileResult decode_file(std::FILE* input, std::FILE* output, std::FILE* statistics);
