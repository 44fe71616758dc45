// The scan loop. Positions are 64-bit file offsets throughout; a candidate byte is found
// eight at a time, and only the pairs of bytes that may start a marker are tried.
#include "stream_scan.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

static_assert(std::endian::native == std::endian::little, "a word's first byte is its lowest");

// Sixteen bytes at a time, in the vector registers of whichever processor the build is for
// (plain words where there are none). A lane of a comparison is all ones where it holds. No
// function takes or returns such a vector: where the build has no vector registers, as the
// 32-bit x86 one, that would be a different calling convention.
using Lanes = std::uint8_t __attribute__((vector_size(16)));

// The first position from start to limit (exclusive) whose two bytes may start a marker,
// or limit. bytes holds the window from start on, one byte past limit included.
std::uint64_t next_marker(const std::uint8_t* bytes, std::uint64_t start, std::uint64_t limit) {
    const auto count = static_cast<std::size_t>(limit - start);
    std::size_t i = 0;
    for (; i + sizeof(Lanes) <= count; i += sizeof(Lanes)) {
        // Each byte, and the one after it in the same lane of second.
        Lanes first;
        Lanes second;
        std::memcpy(&first, bytes + i, sizeof first);
        std::memcpy(&second, bytes + i + 1, sizeof second);
        // gzip's 1F 8B, zip's "PK", PNG's 89 "P", and an RFC 1950 CMF with method 8 and a window
        // of at most 32 KiB followed by an FLG without a preset dictionary. Both bytes
        // count: 50 and 89 alone are everyday x86 opcodes.
        const Lanes hits = ((first == 0x1F) & (second == 0x8B)) | ((first == 0x50) & (second == 0x4B)) |
                           ((first == 0x89) & (second == 0x50)) |
                           (((first & 0x8F) == 0x08) & ((second & 0x20) == 0));
        std::uint64_t halves[2];
        std::memcpy(halves, &hits, sizeof halves);
        if ((halves[0] | halves[1]) == 0) continue;
        // Each half holds eight lanes, the first one lowest.
        for (std::size_t half = 0; half < 2; ++half) {
            for (std::uint64_t lanes = halves[half] & 0x8080808080808080; lanes != 0; lanes &= lanes - 1) {
                const std::size_t at = i + 8 * half + static_cast<std::size_t>(std::countr_zero(lanes)) / 8;
                if (may_start_marker(bytes + at)) return start + at;
            }
        }
    }
    for (; i < count; ++i)
        if (may_start_marker(bytes + i)) return start + i;
    return limit;
}

void print_name(std::FILE* lines, const std::uint8_t* name, std::size_t length) {
    std::fputs(" name=", lines);
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t c = name[i];
        if (c > ' ' && c < 0x7F && c != '%') std::fputc(c, lines);
        else std::fprintf(lines, "%%%02X", c);
    }
}

}  // namespace

void print_stream_line(std::FILE* lines, const FoundStream& found) {
    std::fprintf(lines, "kind=%s offset=%08llX length=%08llX d.size=%llu check=%s",
                 kind_name(found.kind), static_cast<unsigned long long>(found.offset),
                 static_cast<unsigned long long>(found.length),
                 static_cast<unsigned long long>(found.decoded_size), check_name(found.check));
    if (found.name_length > 0) print_name(lines, found.name, found.name_length);
    if (found.parts > 0) std::fprintf(lines, " parts=%u", static_cast<unsigned>(found.parts));
    std::fputc('\n', lines);
}

ScanFailure scan_file(ScanInput& input, const FinderOptions& options, std::FILE* lines) {
    ScanFailure failure{0, 0};
    for (std::uint64_t position = 0; position < input.size;) {
        if (!cover_position(input, position)) break;
        std::size_t available = 0;
        const std::uint8_t* const bytes = window_bytes(input, position, &available);
        if (bytes == nullptr) break;
        // Positions up to here keep the whole lookahead in the window.
        const std::uint64_t window_end = input.window_start + input.window_fill;
        const std::uint64_t limit = window_end == input.size
                                        ? window_end
                                        : std::max(window_end - WINDOW_LOOKAHEAD, position + 1);
        const std::uint64_t candidate = options.raw ? position : next_marker(bytes, position, limit);
        if (candidate == limit) {
            position = limit;
            continue;
        }
        FoundStream found;
        const bool has_line = find_stream(input, candidate, options, found, failure.output_error);
        if (input.error != 0 || failure.output_error != 0) break;
        if (has_line) {
            print_stream_line(lines, found);
            // A standard output that fails ends the scan early; main reports it.
            if (std::ferror(lines)) break;
        }
        position = has_line ? std::max(found.covered_end, candidate + 1) : candidate + 1;
    }
    failure.read_error = input.error;
    return failure;
}
