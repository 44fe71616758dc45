// The expected streams are written out by hand from the parse rules, not produced by code.
#include "exact_cases.h"

namespace {

std::vector<int> levels_from(int first, int last) {
    std::vector<int> levels;
    for (int level = first; level <= last; ++level) levels.push_back(level);
    return levels;
}

std::string repeated(const std::string& text, int times) {
    std::string result;
    for (int index = 0; index < times; ++index) result += text;
    return result;
}

// Bytes whose hash equals that of "abc" but whose first byte is not 'a': only the low five
// bits of the first byte count, and "acC" trades one bit between the second and third byte.
const std::string HASH_TWINS_OF_ABC = "Abc!bcAcC!cC\xC1" "bc\xE1" "cC";

}  // namespace

Bytes bytes_of(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes literal(std::uint8_t byte) { return {0x00, 0x00, byte, 0x00}; }

Bytes literals(const Bytes& input) {
    Bytes stream;
    for (const std::uint8_t byte : input) {
        const Bytes token = literal(byte);
        stream.insert(stream.end(), token.begin(), token.end());
    }
    return stream;
}

Bytes match(std::uint16_t distance, std::uint16_t length) {
    return {static_cast<std::uint8_t>(distance & 0xFF), static_cast<std::uint8_t>(distance >> 8),
            static_cast<std::uint8_t>(length & 0xFF), static_cast<std::uint8_t>(length >> 8)};
}

Bytes joined(const std::vector<Bytes>& parts) {
    Bytes result;
    for (const Bytes& part : parts) result.insert(result.end(), part.begin(), part.end());
    return result;
}

std::vector<ExactCase> exact_cases() {
    const Bytes twin_prefix = bytes_of("PQabcdefgh" + HASH_TWINS_OF_ABC);
    return {
        {"Empty", {}, {3}, {}},
        // Positions 3 and 4 find only positions 0 and 1, which are never candidates.
        {"AbcSevenTimes", bytes_of(repeated("abc", 7)), levels_from(0, 9),
         {0x00, 0x00, 0x61, 0x00, 0x00, 0x00, 0x62, 0x00, 0x00, 0x00, 0x63, 0x00,
          0x00, 0x00, 0x61, 0x00, 0x00, 0x00, 0x62, 0x00, 0x03, 0x00, 0x10, 0x00}},
        {"TenZeroBytes", Bytes(10, 0x00), {0, 9},
         joined({literals(Bytes(3, 0x00)), match(1, 7)})},
        {"NearerOfTwoEqualCandidatesWins", bytes_of("xxabcXabcYabcZ"), {3},
         joined({literals(bytes_of("xxabcX")), match(4, 3), literal('Y'), match(4, 3),
                 literal('Z')})},
        // Up to level 8 the inner positions of a 258-byte match stay out of the chains.
        {"ThousandEqualBytesBelowLevelNine", Bytes(1000, 'x'), levels_from(0, 8),
         joined({literals(Bytes(3, 'x')), match(1, 258), match(258, 258), match(258, 258),
                 match(258, 223)})},
        {"ThousandEqualBytesAtLevelNine", Bytes(1000, 'x'), {9},
         joined({literals(Bytes(3, 'x')), match(1, 258), match(1, 258), match(1, 258),
                 match(1, 223)})},
        // The match "abcd" inserts "bcd2" at its second position, found by the later "bcd2".
        {"LevelOneInsertsEveryPositionOfLengthFour", bytes_of("PQabcd1abcd2bcd2Z"), {1},
         joined({literals(bytes_of("PQabcd1")), match(5, 4), literal('2'), match(4, 4),
                 literal('Z')})},
        // The match "abcde" inserts only its first position, so the later "bcde2" finds the
        // older "bcde1" only.
        {"LevelOneInsertsOnlyTheFirstPositionOfLengthFive", bytes_of("PQabcde1abcde2bcde2Z"), {1},
         joined({literals(bytes_of("PQabcde1")), match(6, 5), literal('2'), match(11, 4),
                 literal('2'), literal('Z')})},
        {"LevelNineInsertsEveryPositionOfLengthFive", bytes_of("PQabcde1abcde2bcde2Z"), {9},
         joined({literals(bytes_of("PQabcde1")), match(6, 5), literal('2'), match(5, 5),
                 literal('Z')})},
        // "acC" hashes like "abc" and shares its first byte: at level 0 that ends the search.
        {"LevelZeroStopsAtFirstCandidateSharingAByte", bytes_of("PQabcdefghacCabcdefgh"), {0},
         joined({literals(bytes_of("PQabcdefghacCa")), match(11, 7)})},
        {"HigherLevelsLookPastAOneByteCollision", bytes_of("PQabcdefghacCabcdefgh"), {1, 9},
         joined({literals(bytes_of("PQabcdefghacC")), match(11, 8)})},
        // Hash twins that share no byte do not end the search, and level 0 has no budget.
        {"LevelZeroWalksPastCollisionsSharingNoByte", joined({twin_prefix, bytes_of("abcdefgh")}),
         {0}, joined({literals(twin_prefix),
                      match(static_cast<std::uint16_t>(twin_prefix.size() - 2), 8)})},
    };
}
