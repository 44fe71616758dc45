// CRC-32 as gzip (RFC 1952) and zip record it: the reflected polynomial 0xEDB88320.
#pragma once

#include <cstdint>
#include <span>

// The CRC-32 of bytes; pass the result of an earlier call as crc to continue over a
// longer sequence in pieces.
std::uint32_t crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);
