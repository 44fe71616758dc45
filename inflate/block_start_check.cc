// The first blocks read straight from memory, rejecting only what the block loop,
// read_dynamic_header, decode_huffman_block and the stored block copy of a strict decoder
// reject there. Whatever this cannot settle with the bytes it has is left to the decoder.
#include "block_start_check.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "block_decoder.h"
#include "decoder_state.h"
#include "dynamic_header.h"
#include "huffman_table.h"

namespace {

// How many blocks, and items of fixed-code blocks, are looked at. Bytes that cannot start a
// stream fail within a few; a real stream's are left to the decoder.
constexpr unsigned BLOCKS_CHECKED = 16;
constexpr unsigned FIXED_ITEMS_CHECKED = 64;

constexpr unsigned END_OF_BLOCK = 256;
constexpr unsigned FIRST_LENGTH_SYMBOL = 257;
constexpr unsigned LENGTH_SYMBOLS = 29;

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

// The fixed literal/length code of RFC 1951 section 3.2.6 by its next 9 bits.
constexpr std::array<TableEntry, 512> make_fixed_litlen() {
    std::array<TableEntry, 512> table{};
    for (unsigned bits = 0; bits < 512; ++bits) {
        const unsigned code = reversed(bits, 9);
        const unsigned first7 = code >> 2;
        const unsigned first8 = code >> 1;
        TableEntry entry{};
        if (first7 < 24) entry = {static_cast<std::uint16_t>(256 + first7), 7};
        else if (first8 < 0xC0) entry = {static_cast<std::uint16_t>(first8 - 0x30), 8};
        else if (first8 < 0xC8) entry = {static_cast<std::uint16_t>(280 + first8 - 0xC0), 8};
        else entry = {static_cast<std::uint16_t>(144 + code - 0x190), 9};
        table[bits] = entry;
    }
    return table;
}

constexpr std::array<TableEntry, 512> FIXED_LITLEN = make_fixed_litlen();

// The fixed distance code's symbols by their 5 bits.
constexpr std::array<std::uint8_t, 32> make_fixed_distance() {
    std::array<std::uint8_t, 32> table{};
    for (unsigned bits = 0; bits < 32; ++bits)
        table[bits] = static_cast<std::uint8_t>(reversed(bits, 5));
    return table;
}

constexpr std::array<std::uint8_t, 32> FIXED_DISTANCE = make_fixed_distance();

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
        if (d >= MAX_DISTANCE_CODES) return BlockLook::fault;
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

// 7-bit values with their bits in reverse order.
constexpr std::array<std::uint8_t, 128> make_reversed_7() {
    std::array<std::uint8_t, 128> table{};
    for (unsigned value = 0; value < 128; ++value)
        table[value] = static_cast<std::uint8_t>(reversed(value, 7));
    return table;
}

constexpr std::array<std::uint8_t, 128> REVERSED_7 = make_reversed_7();

// The code-length code by its next 7 bits, from the lengths of its 19 symbols, which fill
// the code space exactly.
void build_code_length_table(const std::uint8_t* lengths, std::array<TableEntry, 128>& table) {
    constexpr unsigned LONGEST = 7;
    unsigned count[LONGEST + 1] = {};
    for (unsigned s = 0; s < CODE_LENGTH_SYMBOLS; ++s)
        count[lengths[s]] += 1;
    count[0] = 0;
    unsigned next[LONGEST + 1] = {};
    for (unsigned length = 1, code = 0; length <= LONGEST; ++length) {
        code = (code + count[length - 1]) << 1;
        next[length] = code;
    }
    for (unsigned s = 0; s < CODE_LENGTH_SYMBOLS; ++s) {
        const unsigned length = lengths[s];
        if (length == 0) continue;
        const unsigned first = REVERSED_7[next[length]++ << (LONGEST - length)];
        for (unsigned bits = first; bits < table.size(); bits += 1u << length)
            table[bits] = {static_cast<std::uint16_t>(s), static_cast<std::uint16_t>(length)};
    }
}

// The literal/length or distance lengths read so far, as the code space they take in units
// of codes of the longest length, 15 bits, and how many codes they give.
struct LengthTally {
    std::uint32_t space;
    std::uint32_t codes;
};

constexpr std::uint32_t FULL_SPACE = 1u << MAX_CODE_LENGTH;

// What read_dynamic_header takes for a literal/length or distance code: complete, empty, or
// a single code.
bool acceptable(const LengthTally& tally) {
    return tally.space == FULL_SPACE || tally.codes <= 1;
}

// The code lengths of a dynamic block after its code-length code, as read_dynamic_header
// reads and judges them, counted rather than kept: a code whose lengths over-subscribe the
// code space is rejected as soon as they do. The block's data are not looked at.
BlockLook dynamic_lengths(MemoryBits& bits, unsigned nlen, unsigned ndist,
                          const std::array<TableEntry, 128>& table) {
    constexpr unsigned REPEAT_PREVIOUS = 16;
    constexpr unsigned RUN_BASE[3] = {3, 3, 11};
    constexpr unsigned RUN_EXTRA[3] = {2, 3, 7};
    LengthTally litlen{0, 0};
    LengthTally distance{0, 0};
    bool end_of_block_coded = false;
    unsigned previous = 0;
    const unsigned total = nlen + ndist;
    for (unsigned index = 0; index < total;) {
        if (!has_word(bits)) return BlockLook::undecided;
        // A code and its extra bits take at most 7 + 7 bits.
        const std::uint64_t word = peek(bits);
        const TableEntry entry = table[word & 127];
        bits.position += entry.length;
        unsigned value = entry.symbol;
        unsigned run = 1;
        if (entry.symbol >= REPEAT_PREVIOUS) {
            const unsigned kind = entry.symbol - REPEAT_PREVIOUS;
            if (entry.symbol == REPEAT_PREVIOUS && index == 0) return BlockLook::fault;
            value = entry.symbol == REPEAT_PREVIOUS ? previous : 0;
            run = RUN_BASE[kind] +
                  static_cast<unsigned>((word >> entry.length) & ((1u << RUN_EXTRA[kind]) - 1));
            bits.position += RUN_EXTRA[kind];
            if (index + run > total) return BlockLook::fault;
        }
        // A run may cross from the literal/length into the distance lengths.
        if (index <= END_OF_BLOCK && END_OF_BLOCK < index + run) end_of_block_coded = value != 0;
        if (value != 0) {
            const unsigned in_litlen = index < nlen ? std::min(run, nlen - index) : 0;
            const std::uint32_t weight = 1u << (MAX_CODE_LENGTH - value);
            litlen.space += in_litlen * weight;
            litlen.codes += in_litlen;
            distance.space += (run - in_litlen) * weight;
            distance.codes += run - in_litlen;
            if (litlen.space > FULL_SPACE || distance.space > FULL_SPACE) return BlockLook::fault;
        }
        previous = value;
        index += run;
    }
    const bool sound = acceptable(litlen) && end_of_block_coded && acceptable(distance);
    return sound ? BlockLook::undecided : BlockLook::fault;
}

BlockLook dynamic_block(MemoryBits& bits) {
    const unsigned nlen = take(bits, 5) + 257;
    const unsigned ndist = take(bits, 5) + 1;
    const unsigned ncode = take(bits, 4) + 4;
    if (nlen > MAX_LITLEN_CODES || ndist > MAX_DISTANCE_CODES) return BlockLook::fault;
    // The 3-bit lengths of the code-length code, all in one word. read_dynamic_header takes
    // them only when they fill the code space exactly, or when there are no codes at all, and
    // then fails at the first length it decodes: in units of codes of the longest length, 7
    // bits, they must add up to all 128. Two lengths are weighed at a time.
    if (!has_word(bits)) return BlockLook::undecided;
    const std::uint64_t word = peek(bits) & ((std::uint64_t{1} << (3 * ncode)) - 1);
    bits.position += 3 * ncode;
    unsigned filled = 0;
    for (unsigned i = 0; i < (CODE_LENGTH_SYMBOLS + 1) / 2; ++i)
        filled += CODE_LENGTH_PAIR_SPACE[(word >> (6 * i)) & 63];
    if (filled != 128) return BlockLook::fault;
    std::uint8_t lengths[CODE_LENGTH_SYMBOLS] = {};
    for (unsigned i = 0; i < ncode; ++i)
        lengths[CODE_LENGTH_ORDER[i]] = static_cast<std::uint8_t>((word >> (3 * i)) & 7);
    std::array<TableEntry, 128> table;
    build_code_length_table(lengths, table);
    return dynamic_lengths(bits, nlen, ndist, table);
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
        case STORED_BLOCK:
            look = stored_block(bits, decoded);
            break;
        case FIXED_BLOCK:
            look = fixed_block(bits, decoded, items_left);
            break;
        case DYNAMIC_BLOCK:
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
