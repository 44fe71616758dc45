// Real DEFLATE streams from the machine: the gzip members under /usr/share, cut out of their
// containers by our own reader, decoded by rawinflate and checked against their trailers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct GzipFile {
    std::filesystem::path path;
    std::uintmax_t size;
};

// The regular files named *.gz under root, in path order, leaving out the folders below
// root named in excluded.
std::vector<GzipFile> gzip_files(const std::filesystem::path& root,
                                 std::span<const std::filesystem::path> excluded);

struct DecodedMember {
    std::uint64_t stream_size;  // bytes of the raw DEFLATE stream
    std::uint32_t crc32;        // of the decoded bytes, as the trailer records it
    std::vector<std::uint8_t> decoded;
};

enum class MemberOutcome { NOT_GZIP, MISMATCH, DECODED };

struct MemberResult {
    MemberOutcome outcome;
    std::optional<DecodedMember> member;  // set when DECODED
};

// Writes the raw stream of the gzip member in file to stream_path and decodes it with the
// rawinflate program into decoded_path. MISMATCH when the decoded bytes do not have the
// size and CRC-32 the trailer records: a file of several members, or a fault of the decoder.
MemberResult decode_gzip_file(const std::filesystem::path& file, const std::string& rawinflate,
                              const std::string& stream_path, const std::string& decoded_path);

// True for bytes that read as text: almost no control characters besides tab, line feed,
// form feed, carriage return and escape (troff and terminal markup use the last two).
bool looks_like_text(std::span<const std::uint8_t> bytes);
