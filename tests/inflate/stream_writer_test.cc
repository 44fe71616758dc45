// The test stream writer, CRC-32 and gzip reader that the rawinflate tests rely on,
// checked against the examples and tables of RFC 1951 and RFC 1952.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "checksums.h"
#include "deflate_writer.h"
#include "gzip_member.h"

using namespace test_support;
using namespace scan;
using namespace deflate;

namespace {

std::vector<std::uint8_t> bytes_of(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

TEST(StreamWriter, FieldsFillBytesFromTheLowestBitAndCodesStartWithTheirHighestBit) {
    BitWriter writer;
    put_bits(writer, 0b101, 3);
    put_bits(writer, 1, 1);
    put_code(writer, 0b110, 3);
    // Stream order 1 0 1 | 1 | 1 1 0, from bit 0 of the byte upwards.
    EXPECT_EQ(writer.bytes, std::vector<std::uint8_t>{0b0111101});
    EXPECT_EQ(writer.bit_length, 7u);
    put_bits(writer, 0x1FF, 9);
    EXPECT_EQ(writer.bytes, (std::vector<std::uint8_t>{0b10111101, 0xFF}));
    EXPECT_EQ(writer.bit_length, 16u);
}

TEST(StreamWriter, CanonicalCodeFollowsTheExampleOfRfc1951) {
    // Section 3.2.2: lengths (3, 3, 3, 3, 3, 2, 4, 4) for A..H.
    const std::vector<std::uint8_t> lengths = {3, 3, 3, 3, 3, 2, 4, 4};
    const HuffmanCode code = canonical_code(lengths);
    EXPECT_EQ(code.codes, (std::vector<std::uint16_t>{0b010, 0b011, 0b100, 0b101, 0b110, 0b00,
                                                      0b1110, 0b1111}));
}

TEST(StreamWriter, FixedCodesAreTheTableOfRfc1951) {
    struct Case {
        unsigned symbol;
        std::uint16_t code;
        std::uint8_t length;
    };
    // Section 3.2.6: the first and last code of each range.
    const Case cases[] = {{0, 0b00110000, 8},    {143, 0b10111111, 8}, {144, 0b110010000, 9},
                          {255, 0b111111111, 9}, {256, 0b0000000, 7},  {279, 0b0010111, 7},
                          {280, 0b11000000, 8},  {287, 0b11000111, 8}};
    for (const Case& c : cases) {
        EXPECT_EQ(fixed_litlen_code().codes[c.symbol], c.code) << "symbol " << c.symbol;
        EXPECT_EQ(fixed_litlen_code().lengths[c.symbol], c.length) << "symbol " << c.symbol;
    }
    EXPECT_EQ(fixed_distance_code().codes[30], 0b11110);
    EXPECT_EQ(fixed_distance_code().codes[31], 0b11111);
}

TEST(StreamWriter, LengthsAndDistancesBecomeSymbolsWithExtraBits) {
    struct Case {
        bool is_length;
        unsigned value;
        unsigned symbol;
        std::uint32_t extra;
        unsigned extra_bits;
    };
    const Case cases[] = {
        {true, 3, 257, 0, 0},      {true, 10, 264, 0, 0},       {true, 11, 265, 0, 1},
        {true, 12, 265, 1, 1},     {true, 257, 284, 30, 5},     {true, 258, 285, 0, 0},
        {false, 1, 0, 0, 0},       {false, 4, 3, 0, 0},         {false, 6, 4, 1, 1},
        {false, 24577, 29, 0, 13}, {false, 32768, 29, 8191, 13}};
    for (const Case& c : cases) {
        const SymbolWithExtra s = c.is_length ? length_symbol(c.value) : distance_symbol(c.value);
        EXPECT_EQ(s.symbol, c.symbol) << c.value;
        EXPECT_EQ(s.extra, c.extra) << c.value;
        EXPECT_EQ(s.extra_bits, c.extra_bits) << c.value;
    }
}

TEST(StreamWriter, StoredBlockStartsAtTheNextByteWithLenAndNlen) {
    BitWriter writer;
    put_stored_block(writer, true, bytes_of("abc"));
    EXPECT_EQ(writer.bytes, (std::vector<std::uint8_t>{0x01, 3, 0, 0xFC, 0xFF, 'a', 'b', 'c'}));
}

TEST(StreamWriter, CompleteCodeLengthsFillTheCodeSpaceExactly) {
    for (unsigned k = 2; k <= 288; ++k) {
        std::vector<unsigned> symbols;
        for (unsigned s = 0; s < k; ++s) symbols.push_back(s);
        const std::vector<std::uint8_t> lengths = complete_code_lengths(symbols, 288);
        std::uint32_t space = 0;
        for (const std::uint8_t length : lengths)
            if (length != 0) space += 1u << (15 - length);
        EXPECT_EQ(space, 1u << 15) << k << " symbols";
    }
}

TEST(StreamWriter, DynamicHeaderRunsExpandToTheGivenLengths) {
    std::vector<std::uint8_t> litlen(286, 0);
    for (unsigned s = 60; s < 90; ++s) litlen[s] = 7;
    litlen[256] = 5;
    std::vector<std::uint8_t> distance(30, 0);
    distance[0] = 1;
    const DynamicHeader header = dynamic_header_for(litlen, distance);
    EXPECT_EQ(header.hlit, 29u);
    EXPECT_EQ(header.hdist, 29u);

    std::vector<std::uint8_t> expanded;
    for (const CodeLengthSymbol item : header.sequence) {
        const std::size_t run = item.symbol == 16   ? 3 + item.extra
                                : item.symbol == 17 ? 3 + item.extra
                                : item.symbol == 18 ? 11 + item.extra
                                                    : 1;
        const std::uint8_t value = item.symbol == 16  ? expanded.back()
                                   : item.symbol < 16 ? item.symbol
                                                      : 0;
        expanded.insert(expanded.end(), run, value);
    }
    // Reserved first: g++ 12 at -O3 warns of a false array-bounds fault when a copy grows.
    std::vector<std::uint8_t> all;
    all.reserve(litlen.size() + distance.size());
    all.insert(all.end(), litlen.begin(), litlen.end());
    all.insert(all.end(), distance.begin(), distance.end());
    EXPECT_EQ(expanded, all);

    std::uint32_t space = 0;
    for (unsigned i = 0; i < header.hclen + 4; ++i) {
        const std::uint8_t length = header.code_length_lengths[CODE_LENGTH_ORDER[i]];
        if (length != 0) space += 1u << (7 - length);
    }
    EXPECT_EQ(space, 1u << 7) << "the code-length code is complete within HCLEN";
}

TEST(Crc32, MatchesTheStandardCheckValueAlsoInPieces) {
    const std::vector<std::uint8_t> digits = bytes_of("123456789");
    EXPECT_EQ(crc32(digits), 0xCBF43926u);
    const std::span<const std::uint8_t> all(digits);
    EXPECT_EQ(crc32(all.subspan(4), crc32(all.first(4))), 0xCBF43926u);
    EXPECT_EQ(crc32({}), 0u);
}

TEST(GzipMember, OptionalHeaderFieldsAreSkipped) {
    std::vector<std::uint8_t> file = {0x1F, 0x8B, 8, 0x04 | 0x08 | 0x10 | 0x02, 1, 2, 3, 4, 0, 3};
    const std::vector<std::uint8_t> extra = {3, 0, 'x', 'y', 'z'};
    const std::vector<std::uint8_t> name = bytes_of(std::string("name.txt") + '\0');
    const std::vector<std::uint8_t> comment = bytes_of(std::string("a comment") + '\0');
    for (const std::vector<std::uint8_t>* field : {&extra, &name, &comment})
        file.insert(file.end(), field->begin(), field->end());
    const std::uint32_t header_crc = crc32(file);
    file.push_back(static_cast<std::uint8_t>(header_crc));
    file.push_back(static_cast<std::uint8_t>(header_crc >> 8));
    const std::size_t header_size = file.size();
    file.insert(file.end(), {0x03, 0x00});  // the stream of an empty final fixed block
    file.insert(file.end(), {0x78, 0x56, 0x34, 0x12, 0x05, 0x00, 0x00, 0x00});

    const std::optional<GzipMember> member = parse_gzip_member(file);
    ASSERT_TRUE(member.has_value());
    EXPECT_EQ(member->data_offset, header_size);
    EXPECT_EQ(member->data_length, 2u);
    EXPECT_EQ(member->last_trailer.crc32, 0x12345678u);
    EXPECT_EQ(member->last_trailer.isize, 5u);

    file[header_size - 1] ^= 1;
    EXPECT_FALSE(parse_gzip_member(file).has_value()) << "a wrong header CRC is refused";
}

TEST(GzipMember, OnlyDeflateMembersWithKnownFlagsAreAccepted) {
    const std::vector<std::uint8_t> stream = {0x03, 0x00};
    const std::vector<std::uint8_t> good = gzip_member_bytes(stream, GzipTrailer{0, 0});
    ASSERT_TRUE(parse_gzip_member(good).has_value());
    EXPECT_EQ(parse_gzip_member(good)->data_offset, 10u);

    std::vector<std::uint8_t> other_method = good;
    other_method[2] = 7;
    std::vector<std::uint8_t> reserved_flag = good;
    reserved_flag[3] = 0x20;
    std::vector<std::uint8_t> no_magic = good;
    no_magic[1] = 0x8C;
    const std::vector<std::uint8_t> too_short(good.begin(), good.begin() + 17);
    const std::vector<std::uint8_t>* const refused[] = {&other_method, &reserved_flag, &no_magic,
                                                        &too_short};
    for (const std::vector<std::uint8_t>* bad : refused)
        EXPECT_FALSE(parse_gzip_member(*bad).has_value());
}

TEST(GzipMember, WrittenMemberCarriesStreamAndTrailer) {
    const std::vector<std::uint8_t> stream = {0x4B, 0x04, 0x00};
    const std::vector<std::uint8_t> file = gzip_member_bytes(stream, GzipTrailer{0xE8B7BE43, 1});
    EXPECT_EQ(file,
              (std::vector<std::uint8_t>{0x1F, 0x8B, 8,    0,    0,    0,    0, 0, 0, 255, 0x4B,
                                         0x04, 0x00, 0x43, 0xBE, 0xB7, 0xE8, 1, 0, 0, 0}));
    const std::optional<GzipTrailer> trailer = gzip_trailer_at(file, 13);
    ASSERT_TRUE(trailer.has_value());
    EXPECT_EQ(trailer->crc32, 0xE8B7BE43u);
    EXPECT_FALSE(gzip_trailer_at(file, 14).has_value());
}

}  // namespace
