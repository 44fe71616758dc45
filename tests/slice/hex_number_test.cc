// The strict reading of byteslice's numbers, on its own: what is a number and what it is worth.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "hex_number.h"

using namespace slice;

namespace {

TEST(HexNumber, OneToEightDigitsAfterAnOptionalPrefix) {
    const struct {
        const char* text;
        std::optional<std::uint32_t> value;
    } cases[] = {
        {"0", 0},
        {"a", 0xA},
        {"DeadBeef", 0xDEADBEEF},
        {"ffffffff", 0xFFFFFFFF},
        {"00000001", 1},
        {"0x12345678", 0x12345678},
        {"0X0", 0},
        {"0x00000000", 0},
        {"x1", std::nullopt},
        {"0x", std::nullopt},
        {"", std::nullopt},
        {"123456789", std::nullopt},
        {"0x000000000", std::nullopt},
        {"00x1", std::nullopt},
        {"-0", std::nullopt},
        {"1\n", std::nullopt},
        {"\xff", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(hex_number(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
