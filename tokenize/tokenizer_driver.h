// The tokenizer's driver: runs the worker through the driver loop, refilling its input window
// from a file and writing its tokens to one.
#pragma once

#include <cstdint>
#include <cstdio>

#include "driver_loop.h"

namespace tokenize {

struct TokenizeResult {
    worker::DriveOutcome outcome;  // finished, or the read or write that failed
    int error;                     // the error number of a failed read or write, else 0
};

// Writes the token stream of input, searching as level (MIN_LEVEL to MAX_LEVEL) says, to
// output and prints one trace line per refill on trace (null: none). It stops at the first
// failed read, after writing the tokens made before it, or at the first failed write; the
// caller flushes and closes output. It may run again in the same process with fresh files.
TokenizeResult tokenize_file(std::FILE* input, std::FILE* output, std::FILE* trace, std::int32_t level);

}  // namespace tokenize
