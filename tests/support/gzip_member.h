// The gzip container (RFC 1952) around a raw DEFLATE stream: finding the stream and the
// trailer's checksum in a member that sits on disk, with the scanner's header parser, and
// wrapping a stream of our own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "container_formats.h"

namespace test_support {

// A gzip member read from the start of a file.
struct GzipMember {
    std::size_t data_offset;  // first byte of the raw DEFLATE stream, after all header fields
    // Up to the last 8 bytes of the file, the trailer of a file that holds one member.
    // A file with further members or padding ends its first stream earlier; find that end by
    // decoding and read the trailer there with gzip_trailer_at.
    std::size_t data_length;
    scan::GzipTrailer last_trailer;  // the file's last 8 bytes
};

// The header fields of the member at the start of file (FEXTRA, FNAME, FCOMMENT and FHCRC
// included). Nothing when file is not a gzip member with DEFLATE data, a reserved flag is
// set, the header CRC does not match, or the file is too short to hold header and trailer.
std::optional<GzipMember> parse_gzip_member(std::span<const std::uint8_t> file);

// The 8-byte trailer at offset, or nothing when the file ends before it.
std::optional<scan::GzipTrailer> gzip_trailer_at(std::span<const std::uint8_t> file, std::size_t offset);

// A whole member around raw_stream: a 10-byte header with no optional fields and no
// modification time, then the stream, then the trailer.
std::vector<std::uint8_t> gzip_member_bytes(std::span<const std::uint8_t> raw_stream,
                                            scan::GzipTrailer trailer);

}  // namespace test_support
