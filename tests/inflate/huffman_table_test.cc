// What build_huffman_table leaves behind that no stream can show: the balance it returns and
// the symbol entries it must not touch.
#include <gtest/gtest.h>

#include <vector>

#include "huffman_table.h"

using namespace inflate;

namespace {

std::int32_t build(HuffmanTable& table, const std::vector<std::uint16_t>& lengths) {
    return build_huffman_table(table, lengths.data(), static_cast<unsigned>(lengths.size()));
}

TEST(HuffmanTable, BalanceIsTheCodeSpaceLeftOver) {
    struct Case {
        const char* name;
        std::vector<std::uint16_t> lengths;
        std::int32_t balance;  // 2^15 minus 2^(15 - L) for every code of length L
    };
    const std::vector<Case> cases = {
        {"complete", {2, 1, 3, 3}, 0},
        {"no codes at all", std::vector<std::uint16_t>(19, 0), 0},
        {"one code of length 1", {0, 1, 0}, 16384},
        {"one code of length 15", {15}, 32767},
        {"fixed distance code", std::vector<std::uint16_t>(30, 5), 2048},
        {"three codes of length 1", {1, 1, 1}, -16384},
        {"over-subscribed only at length 15",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 15, 15},
         -1},
    };
    for (const Case& c : cases) {
        HuffmanTable table{};
        EXPECT_EQ(build(table, c.lengths), c.balance) << c.name;
    }
}

TEST(HuffmanTable, SymbolsAreListedByCodeLengthThenValue) {
    HuffmanTable table{};
    ASSERT_EQ(build(table, {2, 1, 3, 3, 0, 0}), 0);
    EXPECT_EQ(table.count[0], 2);
    EXPECT_EQ(table.count[1], 1);
    EXPECT_EQ(table.count[2], 1);
    EXPECT_EQ(table.count[3], 2);
    EXPECT_EQ(std::vector<std::uint16_t>(table.symbol, table.symbol + 4),
              (std::vector<std::uint16_t>{1, 0, 2, 3}));
}

TEST(HuffmanTable, BuildTouchesNoSymbolEntryBeyondItsOwn) {
    HuffmanTable table{};
    ASSERT_EQ(build(table, {3, 3, 3, 3, 3, 2, 4, 4}), 0);
    const std::vector<std::uint16_t> before(table.symbol, table.symbol + 8);

    // Over-subscribed: nothing placed, but the counts are the new ones.
    EXPECT_LT(build(table, {1, 1, 1}), 0);
    EXPECT_EQ(table.count[1], 3);
    EXPECT_EQ(std::vector<std::uint16_t>(table.symbol, table.symbol + 8), before);

    // No codes: nothing placed.
    EXPECT_EQ(build(table, {0, 0, 0, 0}), 0);
    EXPECT_EQ(table.count[0], 4);
    EXPECT_EQ(std::vector<std::uint16_t>(table.symbol, table.symbol + 8), before);

    // Two codes from five lengths: entries 2 and beyond stay as they were.
    EXPECT_EQ(build(table, {0, 1, 0, 1, 0}), 0);
    EXPECT_EQ(table.symbol[0], 1);
    EXPECT_EQ(table.symbol[1], 3);
    EXPECT_EQ(std::vector<std::uint16_t>(table.symbol + 2, table.symbol + 8),
              std::vector<std::uint16_t>(before.begin() + 2, before.end()));
}

}  // namespace
