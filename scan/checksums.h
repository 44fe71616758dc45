// The two checksums that DEFLATE's containers record over the decoded bytes.
#pragma once

#include <cstdint>
#include <span>

namespace scan {

// CRC-32 as gzip (RFC 1952) and zip record it: the reflected polynomial 0xEDB88320. Pass the
// result of an earlier call as crc to continue over a longer sequence in pieces.
std::uint32_t crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

// Adler-32 as RFC 1950 streams record it; a fresh sum starts from 1.
inline constexpr std::uint32_t ADLER32_START = 1;
std::uint32_t adler32(std::span<const std::uint8_t> bytes, std::uint32_t adler = ADLER32_START);

}  // namespace scan
