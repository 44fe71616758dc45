// CRC-32 eight bytes at a time with eight tables, and Adler-32 with its modulo deferred as
// long as the sums cannot overflow.
#include "checksums.h"

#include <array>
#include <cstddef>

namespace scan {

namespace {

// CRC_TABLES[0][n]: the remainder of byte value n, from the reflected polynomial of RFC 1952,
// section 8; CRC_TABLES[k][n]: the same byte followed by k zero bytes.
using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr CrcTables make_crc_tables() {
    CrcTables tables{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables[0][n] = c;
    }
    for (std::size_t k = 1; k < 8; ++k)
        for (std::size_t n = 0; n < 256; ++n)
            tables[k][n] = tables[0][tables[k - 1][n] & 0xFF] ^ (tables[k - 1][n] >> 8);
    return tables;
}

constexpr CrcTables CRC_TABLES = make_crc_tables();

constexpr std::uint32_t ADLER_MODULUS = 65521;
// The most bytes after which the second sum still fits 32 bits unreduced (RFC 1950 section 9).
constexpr std::size_t ADLER_RUN = 5552;

}  // namespace

std::uint32_t crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
    // The register runs inverted, so that leading zero bytes change the result.
    std::uint32_t c = ~crc;
    const std::uint8_t* p = bytes.data();
    std::size_t n = bytes.size();
    for (; n >= 8; n -= 8, p += 8) {
        const std::uint32_t low = c ^ (std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                       std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
        c = CRC_TABLES[7][low & 0xFF] ^ CRC_TABLES[6][(low >> 8) & 0xFF] ^
            CRC_TABLES[5][(low >> 16) & 0xFF] ^ CRC_TABLES[4][low >> 24] ^ CRC_TABLES[3][p[4]] ^
            CRC_TABLES[2][p[5]] ^ CRC_TABLES[1][p[6]] ^ CRC_TABLES[0][p[7]];
    }
    for (; n > 0; --n, ++p) c = CRC_TABLES[0][(c ^ *p) & 0xFF] ^ (c >> 8);
    return ~c;
}

std::uint32_t adler32(std::span<const std::uint8_t> bytes, std::uint32_t adler) {
    std::uint32_t a = adler & 0xFFFF;
    std::uint32_t b = adler >> 16;
    const std::uint8_t* p = bytes.data();
    std::size_t n = bytes.size();
    while (n > 0) {
        const std::size_t run = n < ADLER_RUN ? n : ADLER_RUN;
        for (std::size_t i = 0; i < run; ++i) {
            a += p[i];
            b += a;
        }
        a %= ADLER_MODULUS;
        b %= ADLER_MODULUS;
        p += run;
        n -= run;
    }
    return b << 16 | a;
}

}  // namespace scan
