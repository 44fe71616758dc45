// Building canonical Huffman tables from code lengths, decoding one symbol bit by bit, and
// the fixed codes.
#include "huffman_table.h"

#include "bit_reader.h"
#include "decoder_state.h"

namespace inflate {

std::int32_t build_huffman_table(HuffmanTable& table, const std::uint16_t* lengths, unsigned n) {
    for (std::uint16_t& count : table.count)
        count = 0;
    for (unsigned s = 0; s < n; ++s)
        table.count[lengths[s]] += 1;
    if (table.count[0] == n) return 0;

    // Once negative the balance only falls further, so one test at the end suffices.
    std::int32_t balance = 1;
    for (unsigned length = 1; length <= MAX_CODE_LENGTH; ++length)
        balance = 2 * balance - table.count[length];
    if (balance < 0) return balance;

    std::uint16_t offset[MAX_CODE_LENGTH + 1] = {};
    for (unsigned length = 1; length < MAX_CODE_LENGTH; ++length)
        offset[length + 1] = static_cast<std::uint16_t>(offset[length] + table.count[length]);
    for (unsigned s = 0; s < n; ++s) {
        if (lengths[s] != 0) table.symbol[offset[lengths[s]]++] = static_cast<std::uint16_t>(s);
    }
    return balance;
}

std::int32_t decode_symbol(DecoderState& state, const HuffmanTable& table) {
    CodeWalk walk{};
    for (unsigned length = 1; length <= MAX_CODE_LENGTH; ++length) {
        if (state.bit_count == 0) fetch_input_byte(state);
        const std::uint32_t bit = state.bit_buffer & 1;
        state.bit_buffer >>= 1;
        state.bit_count -= 1;
        if (extend_code(walk, bit, table.count[length])) return code_symbol(table, walk);
    }
    return ERR_INVALID_SYMBOL;
}

namespace {

// RFC 1951 section 3.2.6. The balances are not tested: the distance code leaves the two
// codes of symbols 30 and 31 unassigned on purpose.
struct FixedTables {
    HuffmanTable litlen;
    HuffmanTable distance;
};

FixedTables make_fixed_tables() {
    FixedTables tables{};
    std::uint16_t lengths[MAX_SYMBOLS];
    for (unsigned s = 0; s < MAX_SYMBOLS; ++s)
        lengths[s] = deflate::FIXED_LITLEN_LENGTHS[s];
    build_huffman_table(tables.litlen, lengths, MAX_SYMBOLS);

    for (unsigned s = 0; s < deflate::DISTANCE_SYMBOLS; ++s)
        lengths[s] = deflate::FIXED_DISTANCE_LENGTH;
    build_huffman_table(tables.distance, lengths, deflate::DISTANCE_SYMBOLS);
    return tables;
}

// Built once, at program start rather than on first use, which would take the C++ runtime's
// guard for function-local statics and with it a whole library the programs do not need.
const FixedTables FIXED_TABLES = make_fixed_tables();

}  // namespace

void build_fixed_tables(DecoderState& state) {
    // Copied only when a dynamic block has overwritten them: a scan tries many candidate
    // streams, most of whose fixed blocks follow another fixed block.
    if (state.fixed_tables_built != 0) return;
    state.litlen_table = FIXED_TABLES.litlen;
    state.distance_table = FIXED_TABLES.distance;
    state.fixed_tables_built = 1;
}

}  // namespace inflate
