// Decoding the data of a Huffman-coded block.
#include "block_decoder.h"

#include "bit_reader.h"
#include "decode_outcome.h"
#include "decoder_state.h"
#include "huffman_table.h"

namespace {

constexpr std::int32_t END_OF_BLOCK = 256;
constexpr std::int32_t FIRST_LENGTH_SYMBOL = 257;
constexpr std::int32_t LENGTH_SYMBOLS = 29;

std::int32_t invalid_symbol(InvalidSymbolSite site)
{
    decode_outcome.invalid_symbol = site;
    return ERR_INVALID_SYMBOL;
}

}  // namespace

std::int32_t decode_huffman_block(DecoderState& state)
{
    for (;;) {
        const std::int32_t symbol = decode_symbol(state, state.litlen_table);
        if (symbol < END_OF_BLOCK && symbol >= 0) {
            put_output_byte(state, static_cast<std::uint8_t>(symbol));
            continue;
        }
        if (symbol == END_OF_BLOCK)
            return 0;
        if (symbol < 0)
            return invalid_symbol(InvalidSymbolSite::LITLEN_CODE);
        const std::int32_t i = symbol - FIRST_LENGTH_SYMBOL;
        if (i >= LENGTH_SYMBOLS)
            return invalid_symbol(InvalidSymbolSite::LITLEN_SYMBOL);
        const std::uint32_t length = LENGTH_BASE[i] + get_bits(state, LENGTH_EXTRA[i]);
        const std::int32_t d = decode_symbol(state, state.distance_table);
        if (d < 0)
            return invalid_symbol(InvalidSymbolSite::DISTANCE_CODE);
        const std::uint32_t distance = DISTANCE_BASE[d] + get_bits(state, DISTANCE_EXTRA[d]);
        // Byte by byte, each read after the previous store, so a short distance repeats.
        for (std::uint32_t k = 0; k < length; ++k)
            put_output_byte(state, state.history[(state.bytes_out - distance) & HISTORY_MASK]);
    }
}
