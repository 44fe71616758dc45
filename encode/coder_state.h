// The whole state of the coder worker: the context, the bit writer, the tokens of the block
// in hand, the codes built for it, and the window in which the data are rebuilt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <type_traits>

#include "symbol_lookup.h"
#include "stream_context.h"
#include "token_output.h"

namespace coder {

using tokenize::Token;
using worker::BUFFER_SIZE;
using worker::STATUS_DONE;
using worker::STATUS_NEED_INPUT;
using worker::STATUS_OUTPUT_FULL;
using worker::StreamContext;
using worker::yield_to_driver;

// How every block is coded: the cheapest of the three, or one forced for all.
enum class BlockCoding : std::uint8_t { best, stored, fixed, dynamic };

// At most this many tokens make one block. Chosen by measuring coded size and speed on
// text: see the README's tokdeflate section.
inline constexpr std::uint32_t BLOCK_TOKEN_BOUND = 16384;

// A stored block's bytes are rebuilt from its tokens as they are written, in a window that
// keeps the latest REPLAY_HISTORY bytes in front of the bytes being made: the farthest a
// match reaches back. When a match might pass the window's end, the history slides to its
// start, once per REPLAY_WINDOW_SIZE - REPLAY_HISTORY bytes or so. Copies run in 8-byte
// steps that may write up to 7 bytes past a match; the slack takes them.
inline constexpr std::uint32_t REPLAY_HISTORY = LARGEST_DISTANCE;
inline constexpr std::uint32_t REPLAY_WINDOW_SIZE = 3 * REPLAY_HISTORY;
inline constexpr std::uint32_t REPLAY_COPY_STEP = 8;
static_assert(REPLAY_WINDOW_SIZE >= REPLAY_HISTORY + MATCH_LENGTH_MAX + MATCH_LENGTH_MAX);

// What is wrong with the first bad token.
enum class TokenProblem : std::uint8_t {
    none,
    literal_above_255,
    length_out_of_range,
    distance_too_far,
    reaches_before_start,
    incomplete,
};

struct TokenFault {
    TokenProblem problem;
    std::uint64_t index;          // the bad token, counted from 0
    std::uint32_t distance;       // as read (for an incomplete token: the bytes present)
    std::uint32_t value;          // as read
    std::uint64_t data_position;  // bytes the good tokens before it replay to
};

// The codes of the block in hand and the run-length coded description of a dynamic one.
struct BlockCodes {
    std::uint32_t litlen_count[LITLEN_SYMBOLS];
    std::uint32_t distance_count[DISTANCE_SYMBOLS];
    std::uint8_t litlen_length[LITLEN_SYMBOLS];
    std::uint8_t distance_length[DISTANCE_SYMBOLS];
    std::uint16_t litlen_code[LITLEN_SYMBOLS];
    std::uint16_t distance_code[DISTANCE_SYMBOLS];
    std::uint32_t code_length_count[CODE_LENGTH_SYMBOLS];
    std::uint8_t code_length_length[CODE_LENGTH_SYMBOLS];
    std::uint16_t code_length_code[CODE_LENGTH_SYMBOLS];
    // Code-length symbols in write order, each with its extra bits' value.
    std::uint8_t description_symbol[LITLEN_SYMBOLS + DISTANCE_SYMBOLS];
    std::uint8_t description_extra[LITLEN_SYMBOLS + DISTANCE_SYMBOLS];
    std::uint32_t description_size;
    std::uint32_t litlen_used;           // HLIT + 257
    std::uint32_t distance_used;         // HDIST + 1
    std::uint32_t code_length_used;      // HCLEN + 4
};

struct CoderState {
    StreamContext context;
    BlockCoding coding;
    std::FILE* lines;  // where each block's statistics line goes; null: nowhere

    // Bit writer: bits not yet stored, lowest first, and the stream position in bits.
    std::uint64_t bit_buffer;
    std::uint32_t bit_count;  // below 32 between writes
    std::uint64_t bit_position;

    // Token reader.
    std::uint64_t tokens_read;    // good tokens so far
    std::uint64_t data_position;  // bytes they replay to
    TokenFault fault;

    // The block in hand, and room for the one token read beyond a full block, which tells
    // that the full block is not the last.
    std::uint32_t block_size;
    Token block[BLOCK_TOKEN_BOUND + 1];
    BlockCodes codes;

    // Replay: the bytes of the tokens coded so far, the latest of them before window_end.
    std::uint32_t window_end;
    std::uint8_t window[REPLAY_WINDOW_SIZE + REPLAY_COPY_STEP];
};

// The worker is handed the context pointer and takes it for the whole record.
static_assert(std::is_standard_layout_v<CoderState>);
static_assert(offsetof(CoderState, context) == 0);
// A full block's data fit the 32-bit sizes of its statistics line.
static_assert(std::uint64_t{BLOCK_TOKEN_BOUND} * MATCH_LENGTH_MAX < (std::uint64_t{1} << 31));

}  // namespace coder
