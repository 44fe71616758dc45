// Table-driven CRC-32, one table lookup per byte.
#include "crc32.h"

#include <array>

namespace {

// Remainders of every byte value, from the reflected polynomial of RFC 1952, section 8.
constexpr std::array<std::uint32_t, 256> make_crc_table() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> CRC_TABLE = make_crc_table();

}  // namespace

std::uint32_t crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
    // The register runs inverted, so that leading zero bytes change the result.
    std::uint32_t c = ~crc;
    for (const std::uint8_t byte : bytes) c = CRC_TABLE[(c ^ byte) & 0xFF] ^ (c >> 8);
    return ~c;
}
