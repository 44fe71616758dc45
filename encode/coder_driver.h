// The coder's driver: runs the worker through the driver loop, refilling its tokens from a
// file and writing its stream to one.
#pragma once

#include <cstdio>

#include "coder_state.h"
#include "driver_loop.h"

namespace coder {

enum class CodeFileOutcome { finished, invalid_token, read_failed, write_failed };

struct CodeFileResult {
    CodeFileOutcome outcome;
    int error;         // the error number of a failed read or write, else 0
    TokenFault fault;  // the first bad token, for invalid_token
};

// Codes the token file input as a raw DEFLATE stream into output, every block as coding
// says, and prints each block's statistics line on lines (none when null). At a bad token
// the stream still ends in a final block, after the tokens before it. It stops at the first
// failed read, after writing every bit coded before it (the last byte padded with zero bits),
// or at the first failed write; the caller flushes and closes output. It may run again in
// the same process with fresh files.
CodeFileResult code_token_file(std::FILE* input, std::FILE* output, std::FILE* lines,
                               BlockCoding coding);

}  // namespace coder
