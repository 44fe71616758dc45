// The whole state of the rawinflate worker, one static record headed by its StreamContext,
// and the results that the decoding routines return.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <type_traits>

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

// Twice the largest distance of RFC 1951, so the low 16 bits of bytes_out index it.
inline constexpr std::size_t HISTORY_SIZE = 65536;
inline constexpr std::uint32_t HISTORY_MASK = HISTORY_SIZE - 1;

struct DecoderState {
    StreamContext context;
    std::uint32_t bytes_in;    // input bytes fetched into bit_buffer
    std::uint32_t bytes_out;   // bytes output, wrapping; low 16 bits index history
    std::uint32_t bit_buffer;  // bits fetched and not yet consumed, next bit lowest
    std::uint32_t bit_count;
    std::FILE* statistics;  // where the statistics lines go, chosen by the driver; null: none
    HuffmanTable litlen_table;
    HuffmanTable distance_table;
    std::uint8_t history[HISTORY_SIZE];  // zero at start: not yet written reads as zero
};

// The worker receives the context pointer and reads it as the whole state.
static_assert(std::is_standard_layout_v<DecoderState>);
static_assert(offsetof(DecoderState, context) == 0);
static_assert(sizeof(DecoderState::history) == 65536);
static_assert(offsetof(DecoderState, history) + HISTORY_SIZE == sizeof(DecoderState),
              "history is the last member");
