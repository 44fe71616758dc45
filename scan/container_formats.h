// The containers that carry DEFLATE streams, read from bytes in memory: gzip members
// (RFC 1952), RFC 1950 streams, zip local file headers and data descriptors, PNG
// chunks. Nothing here reads a file; the scanner and the tests hand over the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace scan {

std::uint32_t little_endian_32(const std::uint8_t* bytes);
std::uint32_t big_endian_32(const std::uint8_t* bytes);

// gzip: a 10-byte fixed header, the optional fields that FLG announces, and after the
// stream an 8-byte trailer.
inline constexpr std::uint8_t GZIP_ID1 = 0x1F;
inline constexpr std::uint8_t GZIP_ID2 = 0x8B;
inline constexpr std::size_t GZIP_TRAILER_SIZE = 8;

struct GzipHeader {
    std::size_t size;         // every header byte, so the stream starts here
    std::size_t name_offset;  // FNAME without its zero byte; name_length 0 when absent
    std::size_t name_length;
};

// The header at the start of bytes: magic, method 8, reserved flags zero, every optional
// field complete within bytes, and FHCRC, when present, matching. Nothing otherwise.
std::optional<GzipHeader> parse_gzip_header(std::span<const std::uint8_t> bytes);

struct GzipTrailer {
    std::uint32_t crc32;
    std::uint32_t isize;  // size modulo 2^32
};

GzipTrailer gzip_trailer(const std::uint8_t* bytes);

// RFC 1950: CMF and FLG, then the stream, then the Adler-32 of the data, most significant first.
inline constexpr std::size_t RFC1950_HEADER_SIZE = 2;
inline constexpr std::size_t RFC1950_TRAILER_SIZE = 4;

// Method 8, a window of at most 32 KiB (CINFO 7), a matching check value, and no preset
// dictionary (FDICT, bit 5 of FLG).
constexpr bool is_rfc1950_header(std::uint8_t cmf, std::uint8_t flg) {
    return (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 && (flg & 0x20) == 0 && (cmf * 256u + flg) % 31 == 0;
}

// zip: a local file header, the entry's data, and, with flag bit 3, a data descriptor.
inline constexpr std::uint8_t ZIP_SIGNATURE[4] = {0x50, 0x4B, 0x03, 0x04};

struct ZipLocalHeader {
    std::size_t size;  // 30 + name + extra field: the data start here
    bool sizes_follow; // flag bit 3: the checksum and sizes are in a data descriptor
    bool zip64;        // sizes in a zip64 extra field, and 8-byte sizes in the descriptor
    std::uint32_t crc32;
    std::uint64_t compressed_size;
    std::uint64_t uncompressed_size;
    std::size_t name_offset;
    std::size_t name_length;
};

// The local header at the start of bytes, of an entry with method 8 that is not encrypted,
// complete within bytes. Nothing otherwise.
std::optional<ZipLocalHeader> parse_zip_local_header(std::span<const std::uint8_t> bytes);

struct ZipDescriptor {
    std::uint32_t crc32;
    std::uint64_t compressed_size;
    std::uint64_t uncompressed_size;
    std::size_t size;  // bytes it takes, its optional signature included
};

inline constexpr std::size_t ZIP_DESCRIPTOR_MAX_SIZE = 24;

// The descriptor at the start of bytes, read with its signature when the first four bytes
// are one (with_signature) or without. A CRC-32 can equal the signature, so a reader tries
// both readings. Nothing when bytes are too short for the reading.
std::optional<ZipDescriptor> zip_descriptor(std::span<const std::uint8_t> bytes, bool zip64,
                                            bool with_signature);

// PNG: an 8-byte signature, then chunks of a 4-byte length, a 4-byte type, the data and a
// 4-byte CRC.
inline constexpr std::uint8_t PNG_SIGNATURE[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
inline constexpr std::size_t PNG_CHUNK_HEADER_SIZE = 8;
inline constexpr std::size_t PNG_CHUNK_CRC_SIZE = 4;
inline constexpr std::uint32_t PNG_IDAT = 0x49444154;  // "IDAT"
inline constexpr std::uint32_t PNG_IEND = 0x49454E44;  // "IEND"

struct PngChunk {
    std::uint32_t length;
    std::uint32_t type;
};

// The chunk header in the 8 bytes given: a length below 2^31 and a type of four letters.
std::optional<PngChunk> png_chunk_header(const std::uint8_t* bytes);

}  // namespace scan
