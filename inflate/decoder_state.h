// The whole state of the rawinflate worker, one static record headed by its StreamContext,
// and the results that the decoding routines return.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <type_traits>

#include "decode_outcome.h"
#include "huffman_table.h"
#include "stream_context.h"

// Results: 0 is success, and the first negative result ends decoding.
inline constexpr std::int32_t ERR_BLOCK_TYPE = -1;
inline constexpr std::int32_t ERR_INPUT_ENDED = -2;
inline constexpr std::int32_t ERR_TOO_MANY_CODES = -3;
inline constexpr std::int32_t ERR_CODE_LENGTH_CODE = -4;
inline constexpr std::int32_t ERR_REPEAT_NO_PREVIOUS = -5;
inline constexpr std::int32_t ERR_REPEAT_OVERRUN = -6;
inline constexpr std::int32_t ERR_LITLEN_LENGTHS = -7;
inline constexpr std::int32_t ERR_DISTANCE_LENGTHS = -8;
inline constexpr std::int32_t ERR_INVALID_SYMBOL = -9;
// Faults that RFC 1951 forbids but a decoder can read through. A strict decoder ends at
// them; otherwise the first one is recorded and decoding goes on as if it were sound.
inline constexpr std::int32_t ERR_STORED_LENGTH = -10;     // NLEN is not the complement of LEN
inline constexpr std::int32_t ERR_DISTANCE_TOO_FAR = -11;  // before the start of the output
inline constexpr std::int32_t ERR_NO_END_OF_BLOCK = -12;   // strict only: no code for 256
inline constexpr std::int32_t LOWEST_RESULT = ERR_NO_END_OF_BLOCK;

// Twice the largest distance of RFC 1951, so the low 16 bits of bytes_out index it.
inline constexpr std::size_t HISTORY_RING_SIZE = 65536;
inline constexpr std::uint32_t HISTORY_RING_MASK = HISTORY_RING_SIZE - 1;
inline constexpr std::uint32_t LARGEST_DISTANCE = 32768;

struct DecoderState {
    StreamContext context;
    std::uint32_t bytes_in;    // input bytes fetched into bit_buffer
    std::uint32_t bytes_out;   // bytes output, wrapping; low 16 bits index history
    std::uint32_t bit_buffer;  // bits fetched and not yet consumed, next bit lowest
    std::uint32_t bit_count;
    std::FILE* statistics;  // where the driver wants the block lines; null: nowhere
    std::int32_t strict;    // set by the driver: faults that can be read through end decoding
    // Set once bytes_out has passed LARGEST_DISTANCE: from then on no distance reaches before
    // the start, even after bytes_out wraps past 4 GiB.
    std::int32_t history_filled;
    std::int32_t fixed_tables_built;  // the two tables hold the fixed codes
    DecodeOutcome outcome;  // filled by the worker before its final yield
    HuffmanTable litlen_table;
    HuffmanTable distance_table;
    std::uint8_t history[HISTORY_RING_SIZE];  // zero at start: not yet written reads as zero
};

// The worker receives the context pointer and reads it as the whole state.
static_assert(std::is_standard_layout_v<DecoderState>);
static_assert(offsetof(DecoderState, context) == 0);
static_assert(sizeof(DecoderState::history) == 65536);
static_assert(sizeof(DecoderState) - offsetof(DecoderState, history) - HISTORY_RING_SIZE <
                  alignof(DecoderState),
              "history is the last member");
