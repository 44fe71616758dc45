// The block loop: block headers, stored blocks and the statistics line; and the worker's
// entry and end.
#include "block_loop.h"

#include <algorithm>

#include "alphabet.h"
#include "bit_reader.h"
#include "block_decoder.h"
#include "decoder_state.h"
#include "dynamic_header.h"
#include "huffman_table.h"
#include "statistics_line.h"

namespace inflate {

namespace {

// LEN, NLEN and the data bytes are whole bytes from in_pos and bypass bit_buffer, so they
// are not counted in bytes_in. Unless the decoder is strict, LEN alone governs the copy.
std::int32_t copy_stored_block(DecoderState& state) {
    std::uint32_t length = next_input_byte(state);
    length |= std::uint32_t{next_input_byte(state)} << 8;
    std::uint32_t complement = next_input_byte(state);
    complement |= std::uint32_t{next_input_byte(state)} << 8;
    if (complement != (~length & 0xFFFF)) {
        if (const std::int32_t fault = read_through_fault(state, ERR_STORED_LENGTH); fault != 0)
            return fault;
    }

    StreamContext& context = state.context;
    while (length > 0) {
        if (context.in_pos >= context.in_end) {
            put_output_byte(state, next_input_byte(state));
            length -= 1;
            continue;
        }
        // A run that neither empties the input nor passes the end of the output: the
        // same stores as put_output_byte, with the full test once at its end.
        const auto input_left = static_cast<std::uint32_t>(context.in_end - context.in_pos);
        const auto output_left = static_cast<std::uint32_t>(context.out_end - context.out_pos);
        const std::uint32_t run = std::min({length, input_left, output_left});
        const std::uint8_t* in = context.in_pos;
        std::uint8_t* out = context.out_pos;
        std::uint32_t position = state.bytes_out;
        for (std::uint32_t k = 0; k < run; ++k) {
            const std::uint8_t value = in[k];
            state.history[position++ & HISTORY_RING_MASK] = value;
            out[k] = value;
        }
        context.in_pos = in + run;
        context.out_pos = out + run;
        state.bytes_out = position;
        length -= run;
        yield_if_output_full(state);
    }
    // The bits left of the header's byte are skipped: the next block starts on a byte.
    state.bit_buffer = 0;
    state.bit_count = 0;
    return 0;
}

}  // namespace

std::int32_t decode_blocks(DecoderState& state) {
    for (std::uint32_t block = 1;; ++block) {
        state.outcome.block = block;
        const std::uint32_t in_start = state.bytes_in;
        const std::uint32_t out_start = state.bytes_out;
        const std::uint32_t final_block = get_bits(state, 1);
        const std::uint32_t type = get_bits(state, 2);
        std::uint32_t header_end = state.bytes_in;

        std::int32_t result = 0;
        switch (type) {
        case deflate::STORED_BLOCK:
            result = copy_stored_block(state);
            break;
        case deflate::FIXED_BLOCK:
            build_fixed_tables(state);
            result = decode_huffman_block(state);
            break;
        case deflate::DYNAMIC_BLOCK:
            result = read_dynamic_header(state);
            header_end = state.bytes_in;
            if (result == 0) result = decode_huffman_block(state);
            break;
        default:
            result = ERR_BLOCK_TYPE;
            break;
        }
        if (result != 0) return result;

        deflate::print_statistics_line(
            state.statistics, deflate::BlockSizes{type, header_end - in_start,
                                                  state.bytes_in - header_end, state.bytes_out - out_start});
        if (final_block != 0) return 0;
    }
}

void decoder_worker(DecoderState* state) {
    state->bytes_in = 0;
    state->bytes_out = 0;
    state->bit_buffer = 0;
    state->bit_count = 0;
    state->history_filled = 0;
    state->outcome = DecodeOutcome{};
    finish_decoding(*state, decode_blocks(*state));
}

void decoder_entry(worker::StreamContext* context) {
    decoder_worker(reinterpret_cast<DecoderState*>(context));
}

}  // namespace inflate
