// The tokenizer's driver loop: runs the worker, refills its input, writes its tokens.
#pragma once

#include <cstdio>

enum class TokenizeOutcome { finished, read_failed, write_failed };

struct TokenizeResult {
    TokenizeOutcome outcome;
    int error;  // the error number of a failed read or write, else 0
};

// Writes the token stream of input, at the program-wide level, to output and prints one
// trace line per refill on trace (null: none). It stops at the first failed read, after
// writing the tokens made before it, or at the first failed write; the caller flushes and
// closes output. It may run again in the same process with fresh files.
TokenizeResult tokenize_file(std::FILE* input, std::FILE* output, std::FILE* trace);
