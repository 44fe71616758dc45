// The strict reading of byteslice's hexadecimal arguments.
#include "hex_number.h"

namespace slice {

namespace {

// The value of one hexadecimal digit in either case, or -1 for any other character; not
// isxdigit, whose answer depends on the locale.
int digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<std::uint32_t> hex_number(const char* text) {
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text += 2;
    std::uint32_t value = 0;
    int digits = 0;
    for (; text[digits] != '\0'; ++digits) {
        const int digit = digit_value(text[digits]);
        if (digit < 0 || digits == MAX_HEX_DIGITS) return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    if (digits == 0) return std::nullopt;
    return value;
}

}  // namespace slice
