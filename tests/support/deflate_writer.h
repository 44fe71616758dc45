// Writes raw DEFLATE streams (RFC 1951) for tests, field by field: valid streams, and
// streams that break the format on purpose, since every field can be given as it stands.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "alphabet.h"

namespace test_support {

// A DEFLATE bit stream under construction. Bits fill each byte from its least significant
// bit up (RFC 1951, section 3.1.1).
struct BitWriter {
    std::vector<std::uint8_t> bytes;
    std::uint64_t bit_length = 0;  // bits written so far; bit i lies in bytes[i / 8]
};

// count bits of value, least significant first: header fields and extra bits.
void put_bits(BitWriter& writer, std::uint32_t value, unsigned count);
// A Huffman code of length bits, most significant bit first.
void put_code(BitWriter& writer, std::uint32_t code, unsigned length);
// Zero bits up to the next byte boundary.
void align_to_byte(BitWriter& writer);
// Whole bytes; the writer must stand on a byte boundary.
void put_bytes(BitWriter& writer, std::span<const std::uint8_t> bytes);

// A canonical Huffman code (RFC 1951, section 3.2.2). Lengths that over-subscribe the code
// space still get codes, which then collide: good enough to write a faulty stream.
struct HuffmanCode {
    std::vector<std::uint8_t> lengths;  // per symbol, 0 to 15; 0: the symbol has no code
    std::vector<std::uint16_t> codes;
};

HuffmanCode canonical_code(std::span<const std::uint8_t> lengths);
// The fixed literal/length code of RFC 1951 section 3.2.6, symbols 0 to 287.
const HuffmanCode& fixed_litlen_code();
// The fixed distance code with all 32 five-bit codes, the unused 30 and 31 included.
const HuffmanCode& fixed_distance_code();
// The code of symbol; throws when the symbol has none.
void put_symbol(BitWriter& writer, const HuffmanCode& code, unsigned symbol);

// A length or distance as its symbol and extra bits (RFC 1951, section 3.2.5).
struct SymbolWithExtra {
    unsigned symbol;
    std::uint32_t extra;
    unsigned extra_bits;
};

// Length 3 to 258; 258 becomes symbol 285.
SymbolWithExtra length_symbol(unsigned length);
// Distance 1 to 32,768.
SymbolWithExtra distance_symbol(unsigned distance);

// One element of a Huffman-coded block body: a literal byte, or a back-reference.
struct LzItem {
    std::uint16_t length;  // 0 for a literal, else 3 to 258
    std::uint16_t value;   // the literal byte, or the distance 1 to 32,768
};

constexpr LzItem literal(std::uint8_t byte) {
    return LzItem{0, byte};
}
constexpr LzItem match(unsigned length, unsigned distance) {
    return LzItem{static_cast<std::uint16_t>(length), static_cast<std::uint16_t>(distance)};
}
std::vector<LzItem> literals(std::string_view text);

void put_item(BitWriter& writer, const HuffmanCode& litlen, const HuffmanCode& distance,
              LzItem item);

// BFINAL and BTYPE.
void put_block_header(BitWriter& writer, bool final, unsigned type);
// A stored block holding data, with LEN and NLEN to match.
void put_stored_block(BitWriter& writer, bool final, std::span<const std::uint8_t> data);
// A stored block with LEN and NLEN as given, followed by data whatever its size.
void put_stored_block(BitWriter& writer, bool final, std::span<const std::uint8_t> data,
                      std::uint16_t len, std::uint16_t nlen);
// A fixed-code block: header, items, end-of-block code.
void put_fixed_block(BitWriter& writer, bool final, std::span<const LzItem> items);

// One symbol of a dynamic header's run-length coded code lengths, with its extra bits
// (2 for symbol 16, 3 for 17, 7 for 18, none below).
struct CodeLengthSymbol {
    std::uint8_t symbol;
    std::uint8_t extra = 0;
};

// A dynamic block's code description as the stream holds it, every field raw.
struct DynamicHeader {
    unsigned hlit = 0;   // number of literal/length lengths minus 257
    unsigned hdist = 0;  // number of distance lengths minus 1
    unsigned hclen = 0;  // number of code-length code lengths written minus 4
    std::array<std::uint8_t, deflate::CODE_LENGTH_SYMBOLS> code_length_lengths{};  // by code-length symbol, 0 to 7
    std::vector<CodeLengthSymbol> sequence;              // coded with the code these lengths make
};

// The description after the block header: HLIT, HDIST, HCLEN, the first hclen + 4 lengths
// in deflate::CODE_LENGTH_ORDER, then the sequence.
void put_dynamic_header(BitWriter& writer, const DynamicHeader& header);

// A valid description of the given lengths (257 to 288 literal/length, 1 to 32 distance):
// zero runs as symbols 17 and 18, repeats as 16, a complete code-length code.
DynamicHeader dynamic_header_for(std::span<const std::uint8_t> litlen_lengths,
                                 std::span<const std::uint8_t> distance_lengths);

// Lengths of a complete code over the given symbols of an alphabet, as even as possible;
// the first symbols listed get the shorter codes. One symbol gets length 1 (a single code).
std::vector<std::uint8_t> complete_code_lengths(std::span<const unsigned> symbols,
                                                std::size_t alphabet_size);

// Code lengths under which every symbol that items use, and the end-of-block code, has a
// code: complete codes from complete_code_lengths, in order of first use. Without matches
// the distance code is a single code for symbol 0.
struct BlockCodeLengths {
    std::vector<std::uint8_t> litlen;    // 257 to 286 lengths
    std::vector<std::uint8_t> distance;  // 1 to 30 lengths
};

BlockCodeLengths code_lengths_for(std::span<const LzItem> items);

// A dynamic block: header, the description of the two codes, items, end-of-block code.
// Returns the bit position where the description ends and the items begin.
std::uint64_t put_dynamic_block(BitWriter& writer, bool final,
                                std::span<const std::uint8_t> litlen_lengths,
                                std::span<const std::uint8_t> distance_lengths,
                                std::span<const LzItem> items);

}  // namespace test_support
