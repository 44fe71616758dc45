// Header fields and trailer of a gzip member, RFC 1952 section 2.3.
#include "gzip_member.h"

#include "crc32.h"

namespace {

constexpr std::uint8_t ID1 = 0x1F;
constexpr std::uint8_t ID2 = 0x8B;
constexpr std::uint8_t CM_DEFLATE = 8;
constexpr std::uint8_t FHCRC = 0x02;
constexpr std::uint8_t FEXTRA = 0x04;
constexpr std::uint8_t FNAME = 0x08;
constexpr std::uint8_t FCOMMENT = 0x10;
constexpr std::uint8_t FLAGS_RESERVED = 0xE0;
constexpr std::size_t FIXED_HEADER_SIZE = 10;
constexpr std::size_t TRAILER_SIZE = 8;
constexpr std::uint8_t OS_UNKNOWN = 255;

std::uint32_t little_endian(std::span<const std::uint8_t> file, std::size_t offset, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | file[offset + static_cast<std::size_t>(i)];
    return value;
}

// Offset just past the zero byte that ends the string at offset, or nothing if none does.
std::optional<std::size_t> past_zero_terminated(std::span<const std::uint8_t> file,
                                                std::size_t offset) {
    for (std::size_t i = offset; i < file.size(); ++i)
        if (file[i] == 0) return i + 1;
    return std::nullopt;
}

void put_little_endian(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

std::optional<GzipMember> parse_gzip_member(std::span<const std::uint8_t> file) {
    if (file.size() < FIXED_HEADER_SIZE + TRAILER_SIZE) return std::nullopt;
    if (file[0] != ID1 || file[1] != ID2 || file[2] != CM_DEFLATE) return std::nullopt;
    const std::uint8_t flags = file[3];
    if ((flags & FLAGS_RESERVED) != 0) return std::nullopt;

    std::size_t offset = FIXED_HEADER_SIZE;
    if ((flags & FEXTRA) != 0) {
        if (offset + 2 > file.size()) return std::nullopt;
        offset += 2 + little_endian(file, offset, 2);
    }
    for (const std::uint8_t string_flag : {FNAME, FCOMMENT}) {
        if ((flags & string_flag) == 0) continue;
        const std::optional<std::size_t> end = past_zero_terminated(file, offset);
        if (!end) return std::nullopt;
        offset = *end;
    }
    if ((flags & FHCRC) != 0) {
        if (offset + 2 > file.size()) return std::nullopt;
        // The header CRC is the low 16 bits of the CRC-32 of every header byte before it.
        const std::uint32_t expected = crc32(file.first(offset)) & 0xFFFF;
        if (little_endian(file, offset, 2) != expected) return std::nullopt;
        offset += 2;
    }
    if (offset + TRAILER_SIZE > file.size()) return std::nullopt;

    const std::size_t trailer_offset = file.size() - TRAILER_SIZE;
    return GzipMember{offset, trailer_offset - offset, *gzip_trailer_at(file, trailer_offset)};
}

std::optional<GzipTrailer> gzip_trailer_at(std::span<const std::uint8_t> file, std::size_t offset) {
    if (offset > file.size() || file.size() - offset < TRAILER_SIZE) return std::nullopt;
    return GzipTrailer{little_endian(file, offset, 4), little_endian(file, offset + 4, 4)};
}

std::vector<std::uint8_t> gzip_member_bytes(std::span<const std::uint8_t> raw_stream,
                                            GzipTrailer trailer) {
    // Flags, modification time and extra flags all 0, so the member is the same on every run.
    std::vector<std::uint8_t> bytes = {ID1, ID2, CM_DEFLATE, 0, 0, 0, 0, 0, 0, OS_UNKNOWN};
    // Reserving first also keeps g++ 12 at -O2 from a false array-bounds warning on insert.
    bytes.reserve(bytes.size() + raw_stream.size() + 8);
    bytes.insert(bytes.end(), raw_stream.begin(), raw_stream.end());
    put_little_endian(bytes, trailer.crc32);
    put_little_endian(bytes, trailer.isize);
    return bytes;
}
