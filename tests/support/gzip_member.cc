// Header fields and trailer of a gzip member, RFC 1952 section 2.3.
#include "gzip_member.h"

namespace test_support {

using namespace scan;

namespace {

constexpr std::uint8_t CM_DEFLATE = 8;
constexpr std::uint8_t OS_UNKNOWN = 255;

void put_little_endian(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

std::optional<GzipMember> parse_gzip_member(std::span<const std::uint8_t> file) {
    const std::optional<GzipHeader> header = parse_gzip_header(file);
    if (!header || header->size + GZIP_TRAILER_SIZE > file.size()) return std::nullopt;
    const std::size_t trailer_offset = file.size() - GZIP_TRAILER_SIZE;
    return GzipMember{header->size, trailer_offset - header->size, gzip_trailer(&file[trailer_offset])};
}

std::optional<GzipTrailer> gzip_trailer_at(std::span<const std::uint8_t> file, std::size_t offset) {
    if (offset > file.size() || file.size() - offset < GZIP_TRAILER_SIZE) return std::nullopt;
    return gzip_trailer(&file[offset]);
}

std::vector<std::uint8_t> gzip_member_bytes(std::span<const std::uint8_t> raw_stream,
                                            GzipTrailer trailer) {
    // Flags, modification time and extra flags all 0, so the member is the same on every run.
    std::vector<std::uint8_t> bytes = {GZIP_ID1, GZIP_ID2, CM_DEFLATE, 0, 0, 0, 0, 0, 0, OS_UNKNOWN};
    // Reserving first also keeps g++ 12 at -O2 from a false array-bounds warning on insert.
    bytes.reserve(bytes.size() + raw_stream.size() + 8);
    bytes.insert(bytes.end(), raw_stream.begin(), raw_stream.end());
    put_little_endian(bytes, trailer.crc32);
    put_little_endian(bytes, trailer.isize);
    return bytes;
}

}  // namespace test_support
