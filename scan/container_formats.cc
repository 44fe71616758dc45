// Header and trailer fields of gzip (RFC 1952 section 2.3), RFC 1950 streams (section 2.2), zip
// (its application note's local file header, data descriptor and zip64 extra field) and PNG;
// the two header bytes of RFC 1950 are checked in the header.
#include "container_formats.h"

#include <cstring>

#include "checksums.h"

namespace scan {

namespace {

constexpr std::uint8_t CM_DEFLATE = 8;
constexpr std::uint8_t FHCRC = 0x02;
constexpr std::uint8_t FEXTRA = 0x04;
constexpr std::uint8_t FNAME = 0x08;
constexpr std::uint8_t FCOMMENT = 0x10;
constexpr std::uint8_t GZIP_RESERVED_FLAGS = 0xE0;
constexpr std::size_t GZIP_FIXED_SIZE = 10;

constexpr std::size_t ZIP_FIXED_SIZE = 30;
constexpr std::uint16_t ZIP_ENCRYPTED = 0x0001;
constexpr std::uint16_t ZIP_SIZES_FOLLOW = 0x0008;
constexpr std::uint16_t ZIP_DEFLATE = 8;
constexpr std::uint16_t ZIP64_EXTRA_ID = 0x0001;
constexpr std::uint32_t ZIP64_MARKER = 0xFFFFFFFF;
constexpr std::uint8_t ZIP_DESCRIPTOR_SIGNATURE[4] = {0x50, 0x4B, 0x07, 0x08};

std::uint16_t little_endian_16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::uint64_t little_endian_64(const std::uint8_t* bytes) {
    return std::uint64_t{little_endian_32(bytes)} | std::uint64_t{little_endian_32(bytes + 4)} << 32;
}

bool is_letter(std::uint8_t byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

// Past the zero byte that ends the string at offset, or nothing when bytes end first.
std::optional<std::size_t> past_string(std::span<const std::uint8_t> bytes, std::size_t offset) {
    const void* const zero = std::memchr(bytes.data() + offset, 0, bytes.size() - offset);
    if (zero == nullptr) return std::nullopt;
    return static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - bytes.data()) + 1;
}

// The sizes of a zip64 extra field, which replace those of the fixed header marked 0xFFFFFFFF,
// uncompressed first. False when the extra field holds none or is cut short.
bool read_zip64_sizes(std::span<const std::uint8_t> extra, ZipLocalHeader& header) {
    for (std::size_t at = 0; at + 4 <= extra.size();) {
        const std::uint16_t id = little_endian_16(&extra[at]);
        const std::size_t size = little_endian_16(&extra[at + 2]);
        if (at + 4 + size > extra.size()) return false;
        if (id == ZIP64_EXTRA_ID) {
            std::size_t field = at + 4;
            for (std::uint64_t* value : {&header.uncompressed_size, &header.compressed_size}) {
                if (*value != ZIP64_MARKER) continue;
                if (field + 8 > at + 4 + size) return false;
                *value = little_endian_64(&extra[field]);
                field += 8;
            }
            return true;
        }
        at += 4 + size;
    }
    return false;
}

}  // namespace

std::uint32_t little_endian_32(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

std::uint32_t big_endian_32(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | std::uint32_t{bytes[3]};
}

std::optional<GzipHeader> parse_gzip_header(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < GZIP_FIXED_SIZE) return std::nullopt;
    if (bytes[0] != GZIP_ID1 || bytes[1] != GZIP_ID2 || bytes[2] != CM_DEFLATE) return std::nullopt;
    const std::uint8_t flags = bytes[3];
    if ((flags & GZIP_RESERVED_FLAGS) != 0) return std::nullopt;

    GzipHeader header{GZIP_FIXED_SIZE, 0, 0};
    std::size_t& offset = header.size;
    if ((flags & FEXTRA) != 0) {
        if (offset + 2 > bytes.size()) return std::nullopt;
        offset += 2 + little_endian_16(&bytes[offset]);
        if (offset > bytes.size()) return std::nullopt;
    }
    if ((flags & FNAME) != 0) {
        const std::optional<std::size_t> end = past_string(bytes, offset);
        if (!end) return std::nullopt;
        header.name_offset = offset;
        header.name_length = *end - 1 - offset;
        offset = *end;
    }
    if ((flags & FCOMMENT) != 0) {
        const std::optional<std::size_t> end = past_string(bytes, offset);
        if (!end) return std::nullopt;
        offset = *end;
    }
    if ((flags & FHCRC) != 0) {
        if (offset + 2 > bytes.size()) return std::nullopt;
        // The low 16 bits of the CRC-32 of every header byte before it.
        if (little_endian_16(&bytes[offset]) != (crc32(bytes.first(offset)) & 0xFFFF))
            return std::nullopt;
        offset += 2;
    }
    return header;
}

GzipTrailer gzip_trailer(const std::uint8_t* bytes) {
    return GzipTrailer{little_endian_32(bytes), little_endian_32(bytes + 4)};
}

std::optional<ZipLocalHeader> parse_zip_local_header(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < ZIP_FIXED_SIZE) return std::nullopt;
    if (std::memcmp(bytes.data(), ZIP_SIGNATURE, sizeof ZIP_SIGNATURE) != 0) return std::nullopt;
    const std::uint16_t flags = little_endian_16(&bytes[6]);
    if (little_endian_16(&bytes[8]) != ZIP_DEFLATE || (flags & ZIP_ENCRYPTED) != 0)
        return std::nullopt;
    const std::size_t name_length = little_endian_16(&bytes[26]);
    const std::size_t extra_length = little_endian_16(&bytes[28]);
    ZipLocalHeader header{};
    header.size = ZIP_FIXED_SIZE + name_length + extra_length;
    if (header.size > bytes.size()) return std::nullopt;
    header.sizes_follow = (flags & ZIP_SIZES_FOLLOW) != 0;
    header.crc32 = little_endian_32(&bytes[14]);
    header.compressed_size = little_endian_32(&bytes[18]);
    header.uncompressed_size = little_endian_32(&bytes[22]);
    header.name_offset = ZIP_FIXED_SIZE;
    header.name_length = name_length;
    header.zip64 = read_zip64_sizes(bytes.subspan(ZIP_FIXED_SIZE + name_length, extra_length), header);
    return header;
}

std::optional<ZipDescriptor> zip_descriptor(std::span<const std::uint8_t> bytes, bool zip64,
                                            bool with_signature) {
    const std::size_t start = with_signature ? sizeof ZIP_DESCRIPTOR_SIGNATURE : 0;
    const std::size_t size_width = zip64 ? 8 : 4;
    const std::size_t size = start + 4 + 2 * size_width;
    if (bytes.size() < size) return std::nullopt;
    if (with_signature &&
        std::memcmp(bytes.data(), ZIP_DESCRIPTOR_SIGNATURE, sizeof ZIP_DESCRIPTOR_SIGNATURE) != 0)
        return std::nullopt;
    const std::uint8_t* const fields = bytes.data() + start;
    ZipDescriptor descriptor{little_endian_32(fields), 0, 0, size};
    descriptor.compressed_size = zip64 ? little_endian_64(fields + 4) : little_endian_32(fields + 4);
    descriptor.uncompressed_size =
        zip64 ? little_endian_64(fields + 12) : little_endian_32(fields + 8);
    return descriptor;
}

std::optional<PngChunk> png_chunk_header(const std::uint8_t* bytes) {
    const std::uint32_t length = big_endian_32(bytes);
    if (length > 0x7FFFFFFF) return std::nullopt;
    for (int i = 4; i < 8; ++i)
        if (!is_letter(bytes[i])) return std::nullopt;
    return PngChunk{length, big_endian_32(bytes + 4)};
}

}  // namespace scan
