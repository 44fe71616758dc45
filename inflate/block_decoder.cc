// Decoding the data of a Huffman-coded block. A fast loop runs while the buffers have room
// for a whole item; near their ends each item goes through the byte-at-a-time reader,
// which may suspend the worker.
#include "block_decoder.h"

#include <bit>
#include <cstddef>
#include <cstring>

#include "alphabet.h"
#include "bit_reader.h"
#include "decoder_state.h"
#include "huffman_table.h"

namespace inflate {

namespace {

using deflate::DISTANCE_BASE;
using deflate::DISTANCE_EXTRA;
using deflate::LENGTH_BASE;
using deflate::LENGTH_EXTRA;
constexpr std::int32_t END_OF_BLOCK = deflate::END_OF_BLOCK;
constexpr std::int32_t FIRST_LENGTH_SYMBOL = deflate::FIRST_LENGTH_SYMBOL;
constexpr std::int32_t LENGTH_SYMBOLS = deflate::LENGTH_SYMBOLS;

// Returned by the item decoders after a literal or a copy: the block goes on.
constexpr std::int32_t MORE_ITEMS = 1;

// The fast loop loads 8 input bytes at a time and never stops inside a copy: one item
// takes at most 15 + 5 + 15 + 13 bits and produces at most 258 bytes, so with these
// margins it neither runs out of input nor fills the output.
constexpr std::ptrdiff_t FAST_INPUT_MARGIN = 8;
constexpr std::ptrdiff_t FAST_OUTPUT_MARGIN = deflate::MATCH_LENGTH_MAX + 1;

static_assert(std::endian::native == std::endian::little,
              "the word load puts the first input byte lowest");

std::int32_t invalid_symbol(DecoderState& state, InvalidSymbolSite site) {
    state.outcome.invalid_symbol = site;
    return ERR_INVALID_SYMBOL;
}

// 0 while the distance stays within the output so far, or when decoding reads through it.
std::int32_t check_distance(DecoderState& state, std::uint32_t distance, std::uint32_t position) {
    if (distance <= position || state.history_filled != 0) [[likely]]
        return 0;
    return read_through_fault(state, ERR_DISTANCE_TOO_FAR);
}

// One literal, back-reference or end-of-block code through the byte-at-a-time reader.
std::int32_t decode_one_item(DecoderState& state) {
    const std::int32_t symbol = decode_symbol(state, state.litlen_table);
    if (symbol < END_OF_BLOCK && symbol >= 0) {
        put_output_byte(state, static_cast<std::uint8_t>(symbol));
        return MORE_ITEMS;
    }
    if (symbol == END_OF_BLOCK) return 0;
    if (symbol < 0) return invalid_symbol(state, InvalidSymbolSite::LITLEN_CODE);
    const std::int32_t i = symbol - FIRST_LENGTH_SYMBOL;
    if (i >= LENGTH_SYMBOLS) return invalid_symbol(state, InvalidSymbolSite::LITLEN_SYMBOL);
    const std::uint32_t length = LENGTH_BASE[i] + get_bits(state, LENGTH_EXTRA[i]);
    const std::int32_t d = decode_symbol(state, state.distance_table);
    if (d < 0) return invalid_symbol(state, InvalidSymbolSite::DISTANCE_CODE);
    const std::uint32_t distance = DISTANCE_BASE[d] + get_bits(state, DISTANCE_EXTRA[d]);
    if (const std::int32_t fault = check_distance(state, distance, state.bytes_out); fault != 0)
        return fault;
    // Byte by byte, each read after the previous store, so a short distance repeats.
    for (std::uint32_t k = 0; k < length; ++k)
        put_output_byte(state, state.history[(state.bytes_out - distance) & HISTORY_RING_MASK]);
    return MORE_ITEMS;
}

// The bits of the fast loop: a 64-bit register that holds whole input bytes loaded ahead.
struct HeldBits {
    std::uint64_t bits;
    unsigned count;
};

std::uint64_t load_word(const std::uint8_t* in) {
    std::uint64_t word;
    std::memcpy(&word, in, sizeof word);
    return word;
}

std::uint32_t take_bits(HeldBits& held, unsigned n) {
    const auto value = static_cast<std::uint32_t>(held.bits & ((std::uint64_t{1} << n) - 1));
    held.bits >>= n;
    held.count -= n;
    return value;
}

// decode_symbol on bits already held: the same walk, one step per bit, unrolled so that
// each length has its own exit branch.
[[gnu::always_inline]] inline std::int32_t walk_held_code(HeldBits& held,
                                                          const HuffmanTable& table) {
    CodeWalk walk{};
#pragma GCC unroll 15
    for (unsigned length = 1; length <= MAX_CODE_LENGTH; ++length) {
        const auto bit = static_cast<std::uint32_t>(held.bits >> (length - 1)) & 1;
        if (extend_code(walk, bit, table.count[length])) {
            take_bits(held, length);
            return code_symbol(table, walk);
        }
    }
    take_bits(held, MAX_CODE_LENGTH);
    return ERR_INVALID_SYMBOL;
}

// put_output_byte's two stores for each byte of one back-reference, the full test being left
// to the output margin. Byte by byte, each read after the previous store, so a distance
// shorter than the length repeats the last bytes.
[[gnu::always_inline]] inline void copy_match(std::uint8_t* history, std::uint32_t position,
                                              std::uint8_t* out, std::uint32_t distance,
                                              std::uint32_t length) {
    const std::uint32_t from = (position - distance) & HISTORY_RING_MASK;
    const std::uint32_t to = position & HISTORY_RING_MASK;
    if (from + length > HISTORY_RING_SIZE || to + length > HISTORY_RING_SIZE) {
        for (std::uint32_t k = 0; k < length; ++k) {
            const std::uint8_t value = history[(from + k) & HISTORY_RING_MASK];
            history[(to + k) & HISTORY_RING_MASK] = value;
            out[k] = value;
        }
        return;
    }
    // Neither side wraps around the ring, so plain pointers do.
    const std::uint8_t* const source = history + from;
    std::uint8_t* const target = history + to;
    if (distance == 1) {
        // A run of one byte: every byte read would be the one just stored.
        const std::uint8_t value = *source;
        for (std::uint32_t k = 0; k < length; ++k) {
            target[k] = value;
            out[k] = value;
        }
        return;
    }
    for (std::uint32_t k = 0; k < length; ++k) {
        const std::uint8_t value = source[k];
        target[k] = value;
        out[k] = value;
    }
}

// Decodes items while the buffers have their margins, with the reader's fields in locals,
// and leaves the state as the byte-at-a-time reader would have left it. Returns MORE_ITEMS
// when a margin is reached, at once if there is none to begin with.
std::int32_t decode_within_margins(DecoderState& state) {
    StreamContext& context = state.context;
    const std::uint8_t* in = context.in_pos;
    const std::uint8_t* const in_first = in;
    const std::uint8_t* const in_end = context.in_end;
    std::uint8_t* out = context.out_pos;
    std::uint8_t* const out_end = context.out_end;
    std::uint8_t* const history = state.history;
    std::uint32_t position = state.bytes_out;
    HeldBits held{state.bit_buffer, state.bit_count};

    std::int32_t result = MORE_ITEMS;
    while (in_end - in >= FAST_INPUT_MARGIN && out_end - out >= FAST_OUTPUT_MARGIN) {
        // Tops the held bits up to 56 or more with the whole bytes that fit.
        held.bits |= load_word(in) << held.count;
        in += (63 - held.count) / 8;
        held.count |= 56;

        const std::int32_t symbol = walk_held_code(held, state.litlen_table);
        if (symbol < END_OF_BLOCK && symbol >= 0) {
            history[position++ & HISTORY_RING_MASK] = static_cast<std::uint8_t>(symbol);
            *out++ = static_cast<std::uint8_t>(symbol);
            continue;
        }
        if (symbol == END_OF_BLOCK) {
            result = 0;
            break;
        }
        if (symbol < 0) {
            result = invalid_symbol(state, InvalidSymbolSite::LITLEN_CODE);
            break;
        }
        const std::int32_t i = symbol - FIRST_LENGTH_SYMBOL;
        if (i >= LENGTH_SYMBOLS) {
            result = invalid_symbol(state, InvalidSymbolSite::LITLEN_SYMBOL);
            break;
        }
        const std::uint32_t length = LENGTH_BASE[i] + take_bits(held, LENGTH_EXTRA[i]);
        const std::int32_t d = walk_held_code(held, state.distance_table);
        if (d < 0) {
            result = invalid_symbol(state, InvalidSymbolSite::DISTANCE_CODE);
            break;
        }
        const std::uint32_t distance = DISTANCE_BASE[d] + take_bits(held, DISTANCE_EXTRA[d]);
        if (const std::int32_t fault = check_distance(state, distance, position); fault != 0) {
            result = fault;
            break;
        }
        copy_match(history, position, out, distance, length);
        out += length;
        position += length;
    }

    // Whole bytes held are given back: a byte-at-a-time reader would not have fetched them.
    in -= held.count / 8;
    held.count %= 8;
    state.bit_buffer =
        static_cast<std::uint32_t>(held.bits) & ((std::uint32_t{1} << held.count) - 1);
    state.bit_count = held.count;
    state.bytes_in += static_cast<std::uint32_t>(in - in_first);
    context.in_pos = in;
    context.out_pos = out;
    state.bytes_out = position;
    return result;
}

}  // namespace

std::int32_t decode_huffman_block(DecoderState& state) {
    for (;;) {
        std::int32_t result = decode_within_margins(state);
        if (result == MORE_ITEMS) result = decode_one_item(state);
        if (result != MORE_ITEMS) return result;
    }
}

}  // namespace inflate
