// The whole state of the rawinflate worker, one static record headed by its StreamContext,
// and how a fault that decoding can read through is recorded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <type_traits>

#include "alphabet.h"
#include "decode_outcome.h"
#include "huffman_table.h"
#include "stream_context.h"

namespace inflate {

using worker::StreamContext;

// Twice the largest distance of RFC 1951, so the low 16 bits of bytes_out index it.
inline constexpr std::size_t HISTORY_RING_SIZE = 65536;
inline constexpr std::uint32_t HISTORY_RING_MASK = HISTORY_RING_SIZE - 1;
static_assert(HISTORY_RING_SIZE == 2 * deflate::LARGEST_DISTANCE);

struct DecoderState {
    StreamContext context;
    std::uint32_t bytes_in;    // input bytes fetched into bit_buffer
    std::uint32_t bytes_out;   // bytes output, wrapping; low 16 bits index history
    std::uint32_t bit_buffer;  // bits fetched and not yet consumed, next bit lowest
    std::uint32_t bit_count;
    std::FILE* statistics;  // where the driver wants the block lines; null: nowhere
    std::int32_t strict;    // set by the driver: faults that can be read through end decoding
    // Set once bytes_out has passed deflate::LARGEST_DISTANCE: from then on no distance reaches before
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

// A fault that decoding can read through (ERR_STORED_LENGTH, ERR_DISTANCE_TOO_FAR): returned
// to a strict decoder, which ends there; otherwise recorded if it is the first, and 0.
inline std::int32_t read_through_fault(DecoderState& state, std::int32_t fault) {
    if (state.strict != 0) return fault;
    if (state.outcome.read_through == 0) {
        state.outcome.read_through = fault;
        state.outcome.read_through_block = state.outcome.block;
    }
    return 0;
}

}  // namespace inflate
