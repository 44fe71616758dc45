// The block writer. Counts come first; the dynamic codes are length-limited Huffman codes
// of those counts, described with the repeat codes 16, 17 and 18 (RFC 1951 section 3.2.7).
#include "block_writer.h"

#include <algorithm>
#include <cstring>

#include "bit_writer.h"
#include "huffman_lengths.h"
#include "statistics_line.h"

namespace coder {

namespace {

using deflate::BLOCK_HEADER_BITS;
using deflate::DYNAMIC_BLOCK;
using deflate::FEWEST_CODE_LENGTH_CODES;
using deflate::FEWEST_DISTANCE_CODES;
using deflate::FEWEST_LITLEN_CODES;
using deflate::FIXED_BLOCK;
using deflate::LONG_ZERO_RUN;
using deflate::LONGEST_STORED_BLOCK;
using deflate::REPEAT_PREVIOUS;
using deflate::SHORT_ZERO_RUN;
using deflate::STORED_BLOCK;
using deflate::repeat_longest_run;
using deflate::repeat_shortest_run;

constexpr unsigned STORED_LENGTH_BITS = 32;  // LEN and NLEN
constexpr unsigned COUNT_FIELD_BITS = 5 + 5 + 4;  // HLIT, HDIST, HCLEN
constexpr unsigned CODE_LENGTH_LENGTH_BITS = 3;

struct FixedCodes {
    std::uint16_t litlen_code[FIXED_LITLEN_SYMBOLS];
    std::uint8_t distance_length[DISTANCE_SYMBOLS];
    std::uint16_t distance_code[DISTANCE_SYMBOLS];
};

constexpr FixedCodes FIXED_CODES = [] {
    FixedCodes fixed{};
    canonical_codes(FIXED_LITLEN_LENGTHS.data(), FIXED_LITLEN_SYMBOLS, fixed.litlen_code);
    for (std::uint8_t& length : fixed.distance_length)
        length = FIXED_DISTANCE_LENGTH;
    canonical_codes(fixed.distance_length, DISTANCE_SYMBOLS, fixed.distance_code);
    return fixed;
}();

// The code tables one Huffman-coded block is written with.
struct CodeTables {
    const std::uint8_t* litlen_length;
    const std::uint16_t* litlen_code;
    const std::uint8_t* distance_length;
    const std::uint16_t* distance_code;
};

void print_line(const CoderState& state, const unsigned type, const std::uint64_t start,
                const std::uint64_t header_end, const std::uint64_t end,
                const std::uint64_t produced) {
    // The 32-bit counts of the decoder's line.
    deflate::print_statistics_line(
        state.lines, deflate::BlockSizes{type,
                                         static_cast<std::uint32_t>(fetched_bytes(header_end) - fetched_bytes(start)),
                                         static_cast<std::uint32_t>(fetched_bytes(end) - fetched_bytes(header_end)),
                                         static_cast<std::uint32_t>(produced)});
}

// Counts the symbols of the tokens (and the end-of-block code); returns the data size, and
// the extra bits of lengths and distances, which every Huffman coding spends alike.
std::uint64_t count_symbols(CoderState& state, const std::uint32_t count, std::uint64_t& extra_bits) {
    BlockCodes& codes = state.codes;
    std::fill(std::begin(codes.litlen_count), std::end(codes.litlen_count), 0);
    std::fill(std::begin(codes.distance_count), std::end(codes.distance_count), 0);
    std::uint64_t data_size = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const Token token = state.block[i];
        if (token.distance == 0) {
            codes.litlen_count[token.value] += 1;
            data_size += 1;
            continue;
        }
        codes.litlen_count[FIRST_LENGTH_SYMBOL + LENGTH_INDEX[token.value]] += 1;
        codes.distance_count[distance_symbol(token.distance)] += 1;
        data_size += token.value;
    }
    codes.litlen_count[END_OF_BLOCK] = 1;
    extra_bits = 0;
    for (unsigned i = 0; i < LENGTH_EXTRA.size(); ++i)
        extra_bits += std::uint64_t{codes.litlen_count[FIRST_LENGTH_SYMBOL + i]} * LENGTH_EXTRA[i];
    for (unsigned i = 0; i < DISTANCE_SYMBOLS; ++i)
        extra_bits += std::uint64_t{codes.distance_count[i]} * DISTANCE_EXTRA[i];
    return data_size;
}

std::uint64_t coded_bits(const std::uint32_t* counts, const std::uint8_t* lengths, const unsigned n) {
    std::uint64_t bits = 0;
    for (unsigned s = 0; s < n; ++s)
        bits += std::uint64_t{counts[s]} * lengths[s];
    return bits;
}

void describe(BlockCodes& codes, const unsigned symbol, const unsigned extra) {
    codes.description_symbol[codes.description_size] = static_cast<std::uint8_t>(symbol);
    codes.description_extra[codes.description_size] = static_cast<std::uint8_t>(extra);
    codes.description_size += 1;
    codes.code_length_count[symbol] += 1;
}

// Run-length codes the literal/length lengths and then the distance lengths as one
// sequence, as a reader takes them: a run may cross from the one into the other.
void describe_lengths(BlockCodes& codes) {
    std::uint8_t sequence[LITLEN_SYMBOLS + DISTANCE_SYMBOLS];
    const std::uint32_t total = codes.litlen_used + codes.distance_used;
    std::copy_n(codes.litlen_length, codes.litlen_used, sequence);
    std::copy_n(codes.distance_length, codes.distance_used, sequence + codes.litlen_used);
    codes.description_size = 0;
    std::fill(std::begin(codes.code_length_count), std::end(codes.code_length_count), 0);

    for (std::uint32_t i = 0; i < total;) {
        const std::uint8_t length = sequence[i];
        std::uint32_t run = 1;
        while (i + run < total && sequence[i + run] == length) ++run;
        i += run;
        // The longest runs first; what is left below a repeat's shortest run is sent as it is.
        if (length == 0) {
            for (; run >= repeat_shortest_run(LONG_ZERO_RUN);) {
                const std::uint32_t taken = std::min(run, repeat_longest_run(LONG_ZERO_RUN));
                describe(codes, LONG_ZERO_RUN, taken - repeat_shortest_run(LONG_ZERO_RUN));
                run -= taken;
            }
            if (run >= repeat_shortest_run(SHORT_ZERO_RUN)) {
                describe(codes, SHORT_ZERO_RUN, run - repeat_shortest_run(SHORT_ZERO_RUN));
                run = 0;
            }
        } else {
            describe(codes, length, 0);
            run -= 1;
            for (; run >= repeat_shortest_run(REPEAT_PREVIOUS);) {
                const std::uint32_t taken = std::min(run, repeat_longest_run(REPEAT_PREVIOUS));
                describe(codes, REPEAT_PREVIOUS, taken - repeat_shortest_run(REPEAT_PREVIOUS));
                run -= taken;
            }
        }
        for (; run > 0; --run)
            describe(codes, length, 0);
    }
}

std::uint32_t used_length(const std::uint8_t* lengths, const unsigned n, const unsigned fewest) {
    unsigned used = n;
    while (used > fewest && lengths[used - 1] == 0) --used;
    return used;
}

// Builds the block's dynamic codes from its counts; returns the bits of the code
// description after the 3 header bits.
std::uint64_t build_dynamic_codes(BlockCodes& codes) {
    limited_code_lengths(codes.litlen_count, LITLEN_SYMBOLS, MAX_CODE_LENGTH, codes.litlen_length);
    canonical_codes(codes.litlen_length, LITLEN_SYMBOLS, codes.litlen_code);
    // No match at all leaves every distance length 0: one length of 0 says so.
    limited_code_lengths(codes.distance_count, DISTANCE_SYMBOLS, MAX_CODE_LENGTH, codes.distance_length);
    canonical_codes(codes.distance_length, DISTANCE_SYMBOLS, codes.distance_code);
    codes.litlen_used = used_length(codes.litlen_length, LITLEN_SYMBOLS, FEWEST_LITLEN_CODES);
    codes.distance_used = used_length(codes.distance_length, DISTANCE_SYMBOLS, FEWEST_DISTANCE_CODES);

    describe_lengths(codes);
    // The code-length code must be complete: a description of one symbol only pairs it
    // with a second, unused one, so that both get one bit.
    std::uint32_t counts[CODE_LENGTH_SYMBOLS];
    std::copy(std::begin(codes.code_length_count), std::end(codes.code_length_count), counts);
    if (std::count_if(std::begin(counts), std::end(counts), [](std::uint32_t c) { return c != 0; }) == 1)
        counts[counts[0] == 0 ? 0 : 1] = 1;
    limited_code_lengths(counts, CODE_LENGTH_SYMBOLS, MAX_CODE_LENGTH_CODE_LENGTH, codes.code_length_length);
    canonical_codes(codes.code_length_length, CODE_LENGTH_SYMBOLS, codes.code_length_code);

    unsigned used = CODE_LENGTH_SYMBOLS;
    while (used > FEWEST_CODE_LENGTH_CODES && codes.code_length_length[CODE_LENGTH_ORDER[used - 1]] == 0)
        --used;
    codes.code_length_used = used;

    std::uint64_t bits = COUNT_FIELD_BITS + CODE_LENGTH_LENGTH_BITS * std::uint64_t{used};
    for (std::uint32_t i = 0; i < codes.description_size; ++i) {
        const std::uint8_t symbol = codes.description_symbol[i];
        bits += codes.code_length_length[symbol] + deflate::repeat_extra_bits(symbol);
    }
    return bits;
}

void write_code_description(CoderState& state) {
    const BlockCodes& codes = state.codes;
    put_bits(state, codes.litlen_used - FEWEST_LITLEN_CODES, 5);
    put_bits(state, codes.distance_used - FEWEST_DISTANCE_CODES, 5);
    put_bits(state, codes.code_length_used - FEWEST_CODE_LENGTH_CODES, 4);
    for (unsigned i = 0; i < codes.code_length_used; ++i)
        put_bits(state, codes.code_length_length[CODE_LENGTH_ORDER[i]], CODE_LENGTH_LENGTH_BITS);
    for (std::uint32_t i = 0; i < codes.description_size; ++i) {
        const std::uint8_t symbol = codes.description_symbol[i];
        put_bits(state, codes.code_length_code[symbol], codes.code_length_length[symbol]);
        put_bits(state, codes.description_extra[i], deflate::repeat_extra_bits(symbol));
    }
}

// Appends the bytes a token stands for to the replay window, after sliding the history to
// the window's start if the token might not fit. Returns how far the bytes moved.
inline std::uint32_t replay_token(CoderState& state, const Token token) {
    std::uint32_t shift = 0;
    if (state.window_end + MATCH_LENGTH_MAX > REPLAY_WINDOW_SIZE) [[unlikely]] {
        shift = state.window_end - REPLAY_HISTORY;
        std::memmove(state.window, state.window + shift, REPLAY_HISTORY);
        state.window_end = REPLAY_HISTORY;
    }
    std::uint8_t* const to = state.window + state.window_end;
    if (token.distance == 0) {
        *to = static_cast<std::uint8_t>(token.value);
        state.window_end += 1;
        return shift;
    }
    // Every distance lies within the bytes replayed so far: the reader checked it.
    const std::uint8_t* const from = to - token.distance;
    if (token.distance >= REPLAY_COPY_STEP) {
        // Each step reads bytes that earlier steps, or earlier tokens, have written.
        for (std::uint32_t k = 0; k < token.value; k += REPLAY_COPY_STEP)
            std::memcpy(to + k, from + k, REPLAY_COPY_STEP);
    } else {
        // A distance below the length repeats the latest bytes, one at a time.
        for (std::uint32_t k = 0; k < token.value; ++k)
            to[k] = from[k];
    }
    state.window_end += token.value;
    return shift;
}

// Writes the tokens' codes; with Replay, also appends their bytes to the replay window in
// the same pass, for a coding that may store a later block.
template <bool Replay>
void write_tokens(CoderState& state, const std::uint32_t count, const CodeTables& tables) {
    for (std::uint32_t i = 0; i < count; ++i) {
        const Token token = state.block[i];
        if constexpr (Replay) replay_token(state, token);
        if (token.distance == 0) {
            put_bits(state, tables.litlen_code[token.value], tables.litlen_length[token.value]);
            continue;
        }
        const unsigned length_index = LENGTH_INDEX[token.value];
        const unsigned length_symbol = FIRST_LENGTH_SYMBOL + length_index;
        const unsigned length_code_bits = tables.litlen_length[length_symbol];
        put_bits(state,
                 tables.litlen_code[length_symbol] |
                     static_cast<std::uint64_t>(token.value - LENGTH_BASE[length_index]) << length_code_bits,
                 length_code_bits + LENGTH_EXTRA[length_index]);
        const unsigned distance = distance_symbol(token.distance);
        const unsigned distance_code_bits = tables.distance_length[distance];
        put_bits(state,
                 tables.distance_code[distance] |
                     static_cast<std::uint64_t>(token.distance - DISTANCE_BASE[distance]) << distance_code_bits,
                 distance_code_bits + DISTANCE_EXTRA[distance]);
    }
    put_bits(state, tables.litlen_code[END_OF_BLOCK], tables.litlen_length[END_OF_BLOCK]);
}

// Where the replay of a block's tokens stands while its stored pieces are written.
struct ReplayCursor {
    std::uint32_t token;    // the next token to replay
    std::uint32_t written;  // window index of the first replayed byte not yet written
};

// Writes the next `size` bytes that the block's tokens replay to, as whole bytes.
void write_replayed_bytes(CoderState& state, ReplayCursor& cursor, std::uint32_t size) {
    while (size > 0) {
        if (cursor.written == state.window_end)
            cursor.written -= replay_token(state, state.block[cursor.token++]);
        const std::uint32_t run = std::min(size, state.window_end - cursor.written);
        put_aligned_bytes(state, state.window + cursor.written, run);
        cursor.written += run;
        size -= run;
    }
}

void write_stored_blocks(CoderState& state, std::uint64_t data_size, const bool final) {
    ReplayCursor cursor{0, state.window_end};
    do {
        const auto piece = static_cast<std::uint32_t>(std::min<std::uint64_t>(data_size, LONGEST_STORED_BLOCK));
        data_size -= piece;
        const bool final_piece = final && data_size == 0;
        const std::uint64_t start = state.bit_position;
        put_bits(state, (final_piece ? 1u : 0u) | STORED_BLOCK << 1, BLOCK_HEADER_BITS);
        const std::uint64_t header_end = state.bit_position;
        flush_to_byte(state);
        const auto complement = static_cast<std::uint16_t>(~piece);
        put_aligned_byte(state, static_cast<std::uint8_t>(piece));
        put_aligned_byte(state, static_cast<std::uint8_t>(piece >> 8));
        put_aligned_byte(state, static_cast<std::uint8_t>(complement));
        put_aligned_byte(state, static_cast<std::uint8_t>(complement >> 8));
        write_replayed_bytes(state, cursor, piece);
        print_line(state, STORED_BLOCK, start, header_end, header_end, piece);
    } while (data_size > 0);
}

std::uint64_t stored_bits(const std::uint64_t bit_position, const std::uint64_t data_size) {
    const std::uint64_t pieces = std::max<std::uint64_t>(1, (data_size + LONGEST_STORED_BLOCK - 1) / LONGEST_STORED_BLOCK);
    const std::uint64_t first_padding = (8 - (bit_position + BLOCK_HEADER_BITS) % 8) % 8;
    // Every later piece starts on a byte: its 3 header bits and 5 padding bits fill one.
    return BLOCK_HEADER_BITS + first_padding + (pieces - 1) * 8 + pieces * STORED_LENGTH_BITS +
           8 * data_size;
}

void write_huffman_block(CoderState& state, const std::uint32_t count, const bool final,
                         const unsigned type, const std::uint64_t data_size) {
    const std::uint64_t start = state.bit_position;
    put_bits(state, (final ? 1u : 0u) | type << 1, BLOCK_HEADER_BITS);
    CodeTables tables{};
    if (type == DYNAMIC_BLOCK) {
        write_code_description(state);
        tables = CodeTables{state.codes.litlen_length, state.codes.litlen_code,
                            state.codes.distance_length, state.codes.distance_code};
    } else {
        const FixedCodes& fixed = FIXED_CODES;
        tables = CodeTables{FIXED_LITLEN_LENGTHS.data(), fixed.litlen_code, fixed.distance_length,
                            fixed.distance_code};
    }
    const std::uint64_t header_end = state.bit_position;
    // Only a coding that may store a later block needs the bytes these tokens stand for.
    if (state.coding == BlockCoding::best)
        write_tokens<true>(state, count, tables);
    else
        write_tokens<false>(state, count, tables);
    print_line(state, type, start, header_end, state.bit_position, data_size);
}

}  // namespace

BlockCosts block_costs(CoderState& state, const std::uint32_t count) {
    BlockCodes& codes = state.codes;
    std::uint64_t extra_bits = 0;
    BlockCosts costs{};
    costs.data_size = count_symbols(state, count, extra_bits);
    costs.stored_bits = stored_bits(state.bit_position, costs.data_size);
    costs.fixed_bits = BLOCK_HEADER_BITS + extra_bits +
                       coded_bits(codes.litlen_count, FIXED_LITLEN_LENGTHS.data(), LITLEN_SYMBOLS) +
                       coded_bits(codes.distance_count, FIXED_CODES.distance_length, DISTANCE_SYMBOLS);
    costs.dynamic_bits = BLOCK_HEADER_BITS + extra_bits + build_dynamic_codes(codes) +
                         coded_bits(codes.litlen_count, codes.litlen_length, LITLEN_SYMBOLS) +
                         coded_bits(codes.distance_count, codes.distance_length, DISTANCE_SYMBOLS);
    return costs;
}

void write_token_block(CoderState& state, const std::uint32_t count, const bool final) {
    const BlockCosts costs = block_costs(state, count);
    BlockCoding coding = state.coding;
    if (coding == BlockCoding::best) {
        // Ties go to the coding that is simpler to decode.
        const std::uint64_t least = std::min({costs.stored_bits, costs.fixed_bits, costs.dynamic_bits});
        coding = costs.stored_bits == least  ? BlockCoding::stored
                 : costs.fixed_bits == least ? BlockCoding::fixed
                                             : BlockCoding::dynamic;
    }
    if (coding == BlockCoding::stored) {
        write_stored_blocks(state, costs.data_size, final);
        return;
    }
    write_huffman_block(state, count, final, coding == BlockCoding::fixed ? FIXED_BLOCK : DYNAMIC_BLOCK,
                        costs.data_size);
}

void write_empty_final_block(CoderState& state) {
    const std::uint64_t start = state.bit_position;
    put_bits(state, 1u | FIXED_BLOCK << 1, BLOCK_HEADER_BITS);
    const std::uint64_t header_end = state.bit_position;
    put_bits(state, FIXED_CODES.litlen_code[END_OF_BLOCK], FIXED_LITLEN_LENGTHS[END_OF_BLOCK]);
    print_line(state, FIXED_BLOCK, start, header_end, state.bit_position, 0);
}

}  // namespace coder
