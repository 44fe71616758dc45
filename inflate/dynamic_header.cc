// Reading a dynamic block's code description: the counts, the code-length code, and the
// run-length packed code lengths of the literal/length and distance codes.
#include "dynamic_header.h"

#include "alphabet.h"
#include "bit_reader.h"
#include "decoder_state.h"
#include "huffman_table.h"

namespace inflate {

namespace {

using deflate::CODE_LENGTH_ORDER;
using deflate::CODE_LENGTH_SYMBOLS;
using deflate::DISTANCE_SYMBOLS;
using deflate::LITLEN_SYMBOLS;
constexpr std::int32_t REPEAT_PREVIOUS = deflate::REPEAT_PREVIOUS;

// A literal/length or distance code is acceptable when complete, empty, or a single code.
bool acceptable_code(std::int32_t balance, const HuffmanTable& table, unsigned n) {
    return balance == 0 || (balance > 0 && n - table.count[0] == 1);
}

}  // namespace

std::int32_t read_dynamic_header(DecoderState& state) {
    state.fixed_tables_built = 0;
    const unsigned nlen = get_bits(state, 5) + deflate::FEWEST_LITLEN_CODES;
    const unsigned ndist = get_bits(state, 5) + deflate::FEWEST_DISTANCE_CODES;
    const unsigned ncode = get_bits(state, 4) + deflate::FEWEST_CODE_LENGTH_CODES;
    if (nlen > LITLEN_SYMBOLS || ndist > DISTANCE_SYMBOLS) return ERR_TOO_MANY_CODES;

    // First the code-length code lengths by symbol, then the decoded sequence of literal/
    // length lengths followed by distance lengths.
    std::uint16_t lengths[LITLEN_SYMBOLS + DISTANCE_SYMBOLS] = {};
    for (unsigned i = 0; i < ncode; ++i)
        lengths[CODE_LENGTH_ORDER[i]] = static_cast<std::uint16_t>(get_bits(state, 3));
    if (build_huffman_table(state.litlen_table, lengths, CODE_LENGTH_SYMBOLS) != 0)
        return ERR_CODE_LENGTH_CODE;

    // One sequence: a run may cross from the literal/length into the distance lengths.
    const unsigned total = nlen + ndist;
    unsigned index = 0;
    while (index < total) {
        const std::int32_t symbol = decode_symbol(state, state.litlen_table);
        if (symbol < 0) {
            state.outcome.invalid_symbol = InvalidSymbolSite::CODE_LENGTH_CODE;
            return ERR_INVALID_SYMBOL;
        }
        if (symbol < REPEAT_PREVIOUS) {
            lengths[index++] = static_cast<std::uint16_t>(symbol);
            continue;
        }
        // 16 repeats the previous length, 17 and 18 give zeros.
        std::uint16_t value = 0;
        if (symbol == REPEAT_PREVIOUS) {
            if (index == 0) return ERR_REPEAT_NO_PREVIOUS;
            value = lengths[index - 1];
        }
        const auto repeat = static_cast<unsigned>(symbol);
        const unsigned run =
            deflate::repeat_shortest_run(repeat) + get_bits(state, deflate::repeat_extra_bits(repeat));
        if (index + run > total) return ERR_REPEAT_OVERRUN;
        for (const unsigned end = index + run; index < end; ++index)
            lengths[index] = value;
    }

    const std::int32_t litlen_balance = build_huffman_table(state.litlen_table, lengths, nlen);
    if (!acceptable_code(litlen_balance, state.litlen_table, nlen)) return ERR_LITLEN_LENGTHS;
    // Without a code for it the block could never end; only a strict decoder says so here.
    if (state.strict != 0 && lengths[deflate::END_OF_BLOCK] == 0) return ERR_NO_END_OF_BLOCK;
    const std::int32_t distance_balance =
        build_huffman_table(state.distance_table, lengths + nlen, ndist);
    if (!acceptable_code(distance_balance, state.distance_table, ndist))
        return ERR_DISTANCE_LENGTHS;
    return 0;
}

}  // namespace inflate
