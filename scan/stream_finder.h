// Deciding whether a stream starts at one position of the file: the container checks of each
// kind around a trial decode, and the rule for raw streams.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "container_formats.h"
#include "scan_input.h"

namespace scan {

enum class StreamKind { gzip, rfc1950, zip, png, raw };

// The name of the kind, as the line and the decoded file name give it.
const char* kind_name(StreamKind kind);

enum class StreamCheck { ok, bad, fault, none };

const char* check_name(StreamCheck check);

// A raw stream gets a line only with at least this many decoded bytes, and, unless it starts
// with a dynamic block, this many bytes of Huffman-coded data: noise decodes as short
// fixed-code streams often enough, and as stored blocks at one offset in 2^19.
inline constexpr std::uint64_t RAW_SHORTEST_OUTPUT = 1024;
inline constexpr std::uint32_t RAW_SHORTEST_CODED = 128;
// How far after a raw stream's first start a later start with the same end is sought.
inline constexpr std::uint64_t RAW_START_SEARCH = 32;
// The longest name a line carries; longer ones are cut there.
inline constexpr std::size_t NAME_LIMIT = 1024;

struct FoundStream {
    StreamKind kind;
    std::uint64_t offset;        // the file offset of the raw stream's first byte
    std::uint64_t length;        // its bytes to the one that holds its last bit, joined for PNG
    std::uint64_t decoded_size;
    StreamCheck check;
    std::uint64_t covered_end;   // past its trailer: no marker before this is tried
    std::uint32_t parts;         // PNG: the IDAT chunks that carry it; 0 otherwise
    // gzip FNAME or zip entry name, name_length bytes: a copy, as the header lies in the
    // window, which the scan moves on.
    std::array<std::uint8_t, NAME_LIMIT> name;
    std::size_t name_length;
};

struct FinderOptions {
    bool raw;             // also try raw streams where no container marks one
    const char* folder;   // where decoded streams go, or null; decoded_paths_fit holds for it
};

// Whether the path of every file that may be decoded into folder fits in PATH_MAX, with its
// longest name: an offset of 16 hexadecimal digits and the longest kind.
bool decoded_paths_fit(const char* folder);

// Whether a stream that gets a line starts at position, tried as the kind whose marker lies
// there, and as raw if the options say so; found then describes it. The window covers
// position (cover_position), and may be moved. A read error shows in input.error, a failed
// decoded file in output_error.
bool find_stream(ScanInput& input, std::uint64_t position, const FinderOptions& options,
                 FoundStream& found, int& output_error);

// Bit b0 | b1 << 8 is set where the two bytes b0, b1 may start a marker of some kind.
constexpr std::array<std::uint64_t, 1024> make_marker_pairs() {
    std::array<std::uint64_t, 1024> pairs{};
    for (unsigned pair = 0; pair < 65536; ++pair) {
        const auto first = static_cast<std::uint8_t>(pair & 0xFF);
        const auto second = static_cast<std::uint8_t>(pair >> 8);
        const bool marker = (first == GZIP_ID1 && second == GZIP_ID2) ||
                            (first == ZIP_SIGNATURE[0] && second == ZIP_SIGNATURE[1]) ||
                            (first == PNG_SIGNATURE[0] && second == PNG_SIGNATURE[1]) ||
                            is_rfc1950_header(first, second);
        if (marker) pairs[pair / 64] |= std::uint64_t{1} << (pair % 64);
    }
    return pairs;
}

inline constexpr std::array<std::uint64_t, 1024> MARKER_PAIRS = make_marker_pairs();

// Whether a container marker may start at bytes: the scan tries only such positions when
// raw streams are not sought. A cheap filter, true for every real marker.
inline bool may_start_marker(const std::uint8_t* bytes) {
    const unsigned pair = bytes[0] | unsigned{bytes[1]} << 8;
    return (MARKER_PAIRS[pair / 64] >> (pair % 64) & 1) != 0;
}

}  // namespace scan
