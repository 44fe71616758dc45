// Reading the token file into the block in hand, checking every token as it comes.
#pragma once

#include <cstddef>

#include "coder_state.h"

namespace coder {

// Appends tokens to the block until it holds BLOCK_TOKEN_BOUND + 1 of them (true: a full
// block, and more tokens follow it), or until the input ends or a bad token is met (false;
// state.fault tells which). May suspend the worker for input.
bool read_block_tokens(CoderState& state);

// What is wrong with the token, for example "length 2 is not from 3 to 258", in text of at
// most size bytes (terminated). Returns text.
const char* token_fault_text(const TokenFault& fault, char* text, std::size_t size);

}  // namespace coder
