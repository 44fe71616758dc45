// How byteslice reads its offset and length arguments: strictly, so that a mistyped number
// is refused instead of cutting a range nobody asked for.
#pragma once

#include <cstdint>
#include <optional>

namespace slice {

// The most hexadecimal digits an argument may have: every 32-bit value fits.
inline constexpr int MAX_HEX_DIGITS = 8;

// The value of text when it is one to eight hexadecimal digits, in either case, after an
// optional 0x or 0X; nothing else (no sign, no space, no ninth digit, not even a leading
// zero) is read as a number.
std::optional<std::uint32_t> hex_number(const char* text);

}  // namespace slice
