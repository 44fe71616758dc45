// The first blocks read straight from memory, rejecting only what the block loop,
// read_dynamic_header, decode_huffman_block and the stored block copy of the decoder, strict,
// reject there. Whatever this cannot settle with the bytes it has is left to the decoder.
#include "block_start_check.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "alphabet.h"

namespace scan {

namespace {

using deflate::CODE_LENGTH_ORDER;
using deflate::CODE_LENGTH_SYMBOLS;
using deflate::DISTANCE_BASE;
using deflate::DISTANCE_EXTRA;
using deflate::END_OF_BLOCK;
using deflate::FIRST_LENGTH_SYMBOL;
using deflate::LENGTH_BASE;
using deflate::LENGTH_EXTRA;
using deflate::LENGTH_SYMBOLS;
using deflate::MAX_CODE_LENGTH;
using deflate::REPEAT_PREVIOUS;
using deflate::DISTANCE_SYMBOLS;
using deflate::LITLEN_SYMBOLS;

// How many blocks, and items of fixed-code blocks, are looked at. Bytes that cannot start a
// stream fail within a few; a real stream's are left to the decoder.
constexpr unsigned BLOCKS_CHECKED = 16;
constexpr unsigned FIXED_ITEMS_CHECKED = 64;

// Bits from memory, first bit lowest, as the decoder's bit reader takes them.
struct MemoryBits {
    const std::uint8_t* bytes;
    std::size_t size;
    std::size_t position;  // in bits
};

static_assert(std::endian::native == std::endian::little, "the word load puts the first byte lowest");

// Whether the next 57 bits or more can be loaded; when not, the check gives up.
bool has_word(const MemoryBits& bits) { return bits.position / 8 + 8 <= bits.size; }

std::uint64_t peek(const MemoryBits& bits) {
    std::uint64_t word;
    std::memcpy(&word, bits.bytes + bits.position / 8, sizeof word);
    return word >> (bits.position % 8);
}

std::uint32_t take(MemoryBits& bits, unsigned n) {
    const auto value = static_cast<std::uint32_t>(peek(bits) & ((std::uint64_t{1} << n) - 1));
    bits.position += n;
    return value;
}

constexpr unsigned reversed(unsigned value, unsigned width) {
    unsigned result = 0;
    for (unsigned i = 0; i < width; ++i)
        result |= ((value >> i) & 1) << (width - 1 - i);
    return result;
}

// A symbol by the bits that start its code as read, first bit lowest, and its code length.
struct TableEntry {
    std::uint16_t symbol;
    std::uint16_t length;
};

// The fixed literal/length code by its next 9 bits, the longest code it has: the canonical
// codes of deflate::FIXED_LITLEN_LENGTHS, each at every entry whose first bits are its code.
constexpr unsigned FIXED_LITLEN_BITS = 9;

constexpr std::array<TableEntry, 1u << FIXED_LITLEN_BITS> make_fixed_litlen() {
    unsigned count[MAX_CODE_LENGTH + 1] = {};
    for (const std::uint8_t length : deflate::FIXED_LITLEN_LENGTHS)
        count[length] += 1;
    unsigned next[MAX_CODE_LENGTH + 1] = {};
    for (unsigned length = 1, code = 0; length <= MAX_CODE_LENGTH; ++length) {
        code = (code + count[length - 1]) << 1;
        next[length] = code;
    }
    std::array<TableEntry, 1u << FIXED_LITLEN_BITS> table{};
    for (unsigned s = 0; s < deflate::FIXED_LITLEN_SYMBOLS; ++s) {
        const unsigned length = deflate::FIXED_LITLEN_LENGTHS[s];
        const TableEntry entry{static_cast<std::uint16_t>(s), static_cast<std::uint16_t>(length)};
        for (unsigned bits = reversed(next[length]++, length); bits < table.size(); bits += 1u << length)
            table[bits] = entry;
    }
    return table;
}

constexpr std::array<TableEntry, 1u << FIXED_LITLEN_BITS> FIXED_LITLEN = make_fixed_litlen();

// The values of width bits with their bits in reverse order.
template <unsigned width>
constexpr std::array<std::uint8_t, 1u << width> make_reversed() {
    std::array<std::uint8_t, 1u << width> table{};
    for (unsigned value = 0; value < table.size(); ++value)
        table[value] = static_cast<std::uint8_t>(reversed(value, width));
    return table;
}

// The fixed distance code's symbols by their 5 bits: codes of one length are the symbols'
// values in canonical order.
constexpr std::array<std::uint8_t, 1u << deflate::FIXED_DISTANCE_LENGTH> FIXED_DISTANCE =
    make_reversed<deflate::FIXED_DISTANCE_LENGTH>();

// How a block's look ended: at a fault, at its end, or where the check gives up.
enum class BlockLook { fault, ended, undecided };

BlockLook stored_block(MemoryBits& bits, std::uint32_t& decoded) {
    // LEN and NLEN start at the next byte.
    bits.position = (bits.position + 7) / 8 * 8;
    if (!has_word(bits)) return BlockLook::undecided;
    const std::uint8_t* const at = bits.bytes + bits.position / 8;
    const unsigned length = at[0] | unsigned{at[1]} << 8;
    if ((length ^ (at[2] | unsigned{at[3]} << 8)) != 0xFFFF) return BlockLook::fault;
    bits.position += 8 * (4 + std::size_t{length});
    decoded += length;
    return BlockLook::ended;
}

// Literals, back-references and end-of-block codes of a fixed-code block, as
// decode_huffman_block takes them: a fault at literal/length symbol 286 or 287, distance
// symbol 30 or 31, or a distance beyond the bytes decoded so far.
BlockLook fixed_block(MemoryBits& bits, std::uint32_t& decoded, unsigned& items_left) {
    for (; items_left > 0 && has_word(bits); --items_left) {
        // One item takes at most 8 + 5 + 5 + 13 bits, which one word holds.
        std::uint64_t word = peek(bits);
        const TableEntry entry = FIXED_LITLEN[word & 511];
        word >>= entry.length;
        bits.position += entry.length;
        if (entry.symbol < END_OF_BLOCK) {
            decoded += 1;
            continue;
        }
        if (entry.symbol == END_OF_BLOCK) return BlockLook::ended;
        const unsigned i = entry.symbol - FIRST_LENGTH_SYMBOL;
        if (i >= LENGTH_SYMBOLS) return BlockLook::fault;
        const unsigned length_extra = LENGTH_EXTRA[i];
        const std::uint32_t length =
            LENGTH_BASE[i] + static_cast<std::uint32_t>(word & ((1u << length_extra) - 1));
        word >>= length_extra;
        const unsigned d = FIXED_DISTANCE[word & 31];
        if (d >= DISTANCE_SYMBOLS) return BlockLook::fault;
        word >>= 5;
        const unsigned distance_extra = DISTANCE_EXTRA[d];
        const std::uint32_t distance =
            DISTANCE_BASE[d] + static_cast<std::uint32_t>(word & ((1u << distance_extra) - 1));
        if (distance > decoded) return BlockLook::fault;
        decoded += length;
        bits.position += length_extra + 5 + distance_extra;
    }
    return BlockLook::undecided;
}

// The code space that two 3-bit lengths of the code-length code take, in units of 7-bit codes.
constexpr std::array<std::uint8_t, 64> make_code_length_pair_space() {
    std::array<std::uint8_t, 64> table{};
    for (unsigned pair = 0; pair < 64; ++pair) {
        const unsigned first = pair & 7;
        const unsigned second = pair >> 3;
        table[pair] = static_cast<std::uint8_t>((first != 0 ? 128u >> first : 0) +
                                                (second != 0 ? 128u >> second : 0));
    }
    return table;
}

constexpr std::array<std::uint8_t, 64> CODE_LENGTH_PAIR_SPACE = make_code_length_pair_space();

constexpr std::array<std::uint8_t, 128> REVERSED_7 = make_reversed<7>();

// One symbol of the code-length code: its code's bits, and the run of lengths it stands for,
// run_base plus the extra bits after the code (extra_mask) long, of value, or of the previous
// length for value 16.
struct LengthStep {
    std::uint8_t code_bits;
    std::uint8_t used;  // code and extra bits
    std::uint8_t extra_mask;
    std::uint8_t run_base;
    std::uint8_t value;
};

constexpr LengthStep step_of_symbol(unsigned symbol, unsigned code_bits) {
    const auto bits = static_cast<std::uint8_t>(code_bits);
    const auto plus = [bits](unsigned extra) { return static_cast<std::uint8_t>(bits + extra); };
    if (symbol < REPEAT_PREVIOUS) return {bits, bits, 0, 1, static_cast<std::uint8_t>(symbol)};
    const unsigned extra = deflate::repeat_extra_bits(symbol);
    return {bits, plus(extra), static_cast<std::uint8_t>((1u << extra) - 1),
            static_cast<std::uint8_t>(deflate::repeat_shortest_run(symbol)),
            static_cast<std::uint8_t>(symbol == REPEAT_PREVIOUS ? REPEAT_PREVIOUS : 0)};
}

// The code-length code by its next bits, as many as its longest code has (mask), each step
// at all the entries whose first bits are its code.
struct CodeLengthTable {
    std::array<LengthStep, 128> steps;
    unsigned mask;
};

// From the lengths of the 19 symbols, which fill the code space exactly.
void build_code_length_table(const std::uint8_t* lengths, CodeLengthTable& table) {
    constexpr unsigned LONGEST = deflate::MAX_CODE_LENGTH_CODE_LENGTH;
    unsigned count[LONGEST + 1] = {};
    unsigned longest = 0;
    for (unsigned s = 0; s < CODE_LENGTH_SYMBOLS; ++s) {
        count[lengths[s]] += 1;
        longest = std::max<unsigned>(longest, lengths[s]);
    }
    count[0] = 0;
    unsigned next[LONGEST + 1] = {};
    for (unsigned length = 1, code = 0; length <= LONGEST; ++length) {
        code = (code + count[length - 1]) << 1;
        next[length] = code;
    }
    const unsigned size = 1u << longest;
    table.mask = size - 1;
    for (unsigned s = 0; s < CODE_LENGTH_SYMBOLS; ++s) {
        const unsigned length = lengths[s];
        if (length == 0) continue;
        const LengthStep step = step_of_symbol(s, length);
        const unsigned first = REVERSED_7[next[length]++ << (LONGEST - length)];
        for (unsigned bits = first; bits < size; bits += 1u << length)
            table.steps[bits] = step;
    }
}

// The literal/length or distance lengths read so far, as the code space they take in units
// of codes of the longest length, 15 bits, and how many codes they give.
struct LengthTally {
    std::uint32_t space;
    std::uint32_t codes;
};

constexpr std::uint32_t FULL_SPACE = 1u << MAX_CODE_LENGTH;

// The code space of a code of each length; none for length 0.
constexpr std::array<std::uint32_t, 16> make_length_space() {
    std::array<std::uint32_t, 16> space{};
    for (unsigned length = 1; length <= MAX_CODE_LENGTH; ++length)
        space[length] = FULL_SPACE >> length;
    return space;
}

constexpr std::array<std::uint32_t, 16> LENGTH_SPACE = make_length_space();

// count more lengths of value; fewer, when count wraps below zero.
void tally(LengthTally& tally, unsigned value, unsigned count) {
    tally.space += count * LENGTH_SPACE[value];
    tally.codes += value != 0 ? count : 0;
}

// What read_dynamic_header takes for a literal/length or distance code: complete, empty, or
// a single code.
bool acceptable(const LengthTally& tally) {
    return tally.space == FULL_SPACE || tally.codes <= 1;
}

// The runs of lengths that the code-length code gives, from bits held in a register and
// topped up to 56 or more before each run, whose code and extra bits take at most 7 + 7.
struct LengthRuns {
    const CodeLengthTable& table;
    const std::uint8_t* in;  // past the bytes held
    const std::uint8_t* end;
    std::uint64_t held;
    unsigned count;
    unsigned previous;  // the last length, which symbol 16 repeats
};

// The next run, or false where the bytes end.
bool next_run(LengthRuns& runs, unsigned& run, unsigned& value) {
    if (runs.end - runs.in < 8) return false;
    std::uint64_t word;
    std::memcpy(&word, runs.in, sizeof word);
    runs.held |= word << runs.count;
    runs.in += (63 - runs.count) / 8;
    runs.count |= 56;
    const LengthStep step = runs.table.steps[runs.held & runs.table.mask];
    run = step.run_base + static_cast<unsigned>((runs.held >> step.code_bits) & step.extra_mask);
    runs.held >>= step.used;
    runs.count -= step.used;
    value = step.value == REPEAT_PREVIOUS ? runs.previous : step.value;
    runs.previous = value;
    return true;
}

// The code lengths of a dynamic block after its code-length code, as read_dynamic_header
// reads and judges them, counted rather than kept; lengths that leave 256 without a code are
// rejected as soon as they do. The block's data are not looked at. Noise takes any branch
// in here as often as not, so the loops have one, rarely taken, besides their own.
BlockLook dynamic_lengths(const MemoryBits& bits, unsigned nlen, unsigned ndist,
                          const CodeLengthTable& table) {
    if (!has_word(bits)) return BlockLook::undecided;
    // The first bits held end at a byte's end: 48 and those left in the first byte.
    const unsigned count = 48 + (8 - bits.position % 8) % 8;
    LengthRuns runs{table, bits.bytes + (bits.position + count) / 8, bits.bytes + bits.size,
                    peek(bits) & ((std::uint64_t{1} << count) - 1), count, 0};
    if (table.steps[runs.held & table.mask].value == REPEAT_PREVIOUS) return BlockLook::fault;
    LengthTally litlen{0, 0};
    LengthTally distance{0, 0};
    unsigned index = 0;
    unsigned run = 0;
    unsigned value = 0;
    while (index < nlen) {
        if (!next_run(runs, run, value)) return BlockLook::undecided;
        // The run covers 256 (index <= 256 < index + run) and gives it no code.
        if (END_OF_BLOCK - index < run && value == 0) return BlockLook::fault;
        tally(litlen, value, run);
        index += run;
    }
    // The last run may cross into the distance lengths.
    tally(litlen, value, nlen - index);
    tally(distance, value, index - nlen);
    const unsigned total = nlen + ndist;
    while (index < total) {
        if (!next_run(runs, run, value)) return BlockLook::undecided;
        tally(distance, value, run);
        index += run;
    }
    // A last run past the end is a fault; over-subscribed lengths are neither complete nor a
    // single code.
    const bool sound = index == total && acceptable(litlen) && acceptable(distance);
    return sound ? BlockLook::undecided : BlockLook::fault;
}

// Tables built before, by the code they were built for: in machine code the same few
// instruction sequences pass for a code-length code over and over.
struct CachedTable {
    std::uint64_t key;  // the 3-bit lengths, the last ones 0 when fewer are sent; 0 for none
    bool usable;        // some length from 1 to 15 has a code
    CodeLengthTable table;
};

constexpr unsigned CACHED_TABLE_BITS = 3;
CachedTable cached_tables[1u << CACHED_TABLE_BITS];

// The code lengths after a code-length code whose 3-bit lengths, ncode of them, are in word.
[[gnu::noinline]] BlockLook code_lengths(const MemoryBits& bits, unsigned nlen, unsigned ndist,
                                         std::uint64_t word, unsigned ncode) {
    // word, of a complete code, is not 0.
    CachedTable& cached = cached_tables[(word * 0x9E3779B97F4A7C15) >> (64 - CACHED_TABLE_BITS)];
    if (cached.key != word) {
        std::uint8_t lengths[CODE_LENGTH_SYMBOLS] = {};
        cached.usable = false;
        for (unsigned i = 0; i < ncode; ++i) {
            const unsigned symbol = CODE_LENGTH_ORDER[i];
            const auto length = static_cast<std::uint8_t>((word >> (3 * i)) & 7);
            lengths[symbol] = length;
            if (symbol != 0 && symbol < REPEAT_PREVIOUS && length != 0) cached.usable = true;
        }
        build_code_length_table(lengths, cached.table);
        cached.key = word;
    }
    // Without a code for any length from 1 to 15, every length is 0 and 256 has no code.
    if (!cached.usable) return BlockLook::fault;
    return dynamic_lengths(bits, nlen, ndist, cached.table);
}

BlockLook dynamic_block(MemoryBits& bits) {
    // The counts, 14 bits, from one word: the block header before them came from the last.
    if (!has_word(bits)) return BlockLook::undecided;
    const std::uint64_t counts = peek(bits);
    bits.position += 14;
    const unsigned nlen = static_cast<unsigned>(counts & 31) + deflate::FEWEST_LITLEN_CODES;
    const unsigned ndist = static_cast<unsigned>((counts >> 5) & 31) + deflate::FEWEST_DISTANCE_CODES;
    const unsigned ncode = static_cast<unsigned>((counts >> 10) & 15) + deflate::FEWEST_CODE_LENGTH_CODES;
    if (nlen > LITLEN_SYMBOLS || ndist > DISTANCE_SYMBOLS) return BlockLook::fault;
    // The 3-bit lengths of the code-length code, all in one word. read_dynamic_header takes
    // them only when they fill the code space exactly, or when there are no codes at all, and
    // then fails at the first length it decodes: in units of codes of the longest length, 7
    // bits, they must add up to all 128. Two lengths are weighed at a time.
    if (!has_word(bits)) return BlockLook::undecided;
    const std::uint64_t word = peek(bits) & ((std::uint64_t{1} << (3 * ncode)) - 1);
    bits.position += 3 * ncode;
    unsigned filled = 0;
#pragma GCC unroll 10
    for (unsigned i = 0; i < (CODE_LENGTH_SYMBOLS + 1) / 2; ++i)
        filled += CODE_LENGTH_PAIR_SPACE[(word >> (6 * i)) & 63];
    if (filled != 128) return BlockLook::fault;
    return code_lengths(bits, nlen, ndist, word, ncode);
}

}  // namespace

bool may_start_stream(std::span<const std::uint8_t> bytes, CheckedBlocks checked) {
    MemoryBits bits{bytes.data(), bytes.size(), 0};
    std::uint32_t decoded = 0;
    unsigned items_left = FIXED_ITEMS_CHECKED;
    for (unsigned block = 0; block < BLOCKS_CHECKED && has_word(bits); ++block) {
        const std::uint32_t header = take(bits, 3);
        BlockLook look = BlockLook::fault;
        switch (header >> 1) {
        case deflate::STORED_BLOCK:
            look = stored_block(bits, decoded);
            break;
        case deflate::FIXED_BLOCK:
            look = fixed_block(bits, decoded, items_left);
            break;
        case deflate::DYNAMIC_BLOCK:
            look = dynamic_block(bits);
            break;
        default:
            break;
        }
        if (look != BlockLook::ended) return look != BlockLook::fault;
        const bool final = (header & 1) != 0;
        if (final || checked == CheckedBlocks::first) return true;
    }
    return true;
}

}  // namespace scan
