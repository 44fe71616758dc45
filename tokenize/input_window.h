// The tokenizer's input area: every 64 KiB read lands in read_area, and each refill first
// carries the history and the held-back bytes in front of it, so that the worker always
// finds 32 KiB of history before its next byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "tokenizer_state.h"

namespace tokenize {

using worker::BUFFER_SIZE;

// Regions of input_area, in order: an unused head, the history zone, the held-back zone,
// read_area, and a tail that stays zero.
inline constexpr std::size_t INPUT_AREA_SIZE = 106496;
inline constexpr std::size_t HISTORY_SIZE = 32768;
inline constexpr std::size_t HOLD_BACK = 261;
inline constexpr std::size_t CARRY_SIZE = HISTORY_SIZE + HOLD_BACK;
inline constexpr std::size_t READ_OFFSET = 36864;
inline constexpr std::size_t INPUT_TAIL_SIZE = INPUT_AREA_SIZE - READ_OFFSET - BUFFER_SIZE;

static_assert(CARRY_SIZE == 33029);
static_assert(READ_OFFSET - CARRY_SIZE == 3835);
static_assert(INPUT_AREA_SIZE == READ_OFFSET + BUFFER_SIZE + 4096);
static_assert(CARRY_SIZE <= BUFFER_SIZE, "the carry copies from read_area without overlap");
// Every candidate's bytes lie in the carried history.
static_assert(HISTORY_SIZE >= MAX_DISTANCE);
// A comparison that starts before in_end never runs past the held-back bytes in a block
// that is not the last.
static_assert(HOLD_BACK >= MAX_MATCH);
// The comparison reads whole 8-byte words and hashing reads 2 bytes ahead, up to 7 bytes
// past the end of the data; the tail gives them room.
static_assert(INPUT_TAIL_SIZE >= sizeof(std::uint64_t));

// The driver's flags for the blocks it reads.
struct InputWindow {
    std::int32_t first_block;  // 1 until a read fills read_area
    std::int32_t last_block;   // 1 once a read came back short
    std::int32_t carry_size;   // bytes from the carry destination to read_area
};

// Clears input_area and sets the input fields of the context for a worker that has not
// started: its first request for input comes before it reads a byte.
InputWindow start_input(TokenizerState& state);

// The refill after the worker asked for input: carry, read, print the trace line on trace
// (null: none), and hand the worker the new bytes or, after the last block, set
// end_of_input. Returns 0, or the error number of a failed read.
int refill_input(InputWindow& window, TokenizerState& state, std::FILE* input, std::FILE* trace);

}  // namespace tokenize
