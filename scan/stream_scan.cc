// The scan loop. Positions are 64-bit file offsets throughout; a candidate byte is found
// eight at a time, and only the pairs of bytes that may start a marker are tried.
#include "stream_scan.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

static_assert(std::endian::native == std::endian::little, "the word's first byte is its lowest");

constexpr std::uint64_t ONES = 0x0101010101010101;
constexpr std::uint64_t LOW_SEVEN = 0x7F7F7F7F7F7F7F7F;

// The high bit of every byte of x that is zero, and no other bit.
constexpr std::uint64_t zero_bytes(std::uint64_t x) {
    return ~(((x & LOW_SEVEN) + LOW_SEVEN) | x | LOW_SEVEN);
}

// The high bit of every byte that can start a marker: gzip's 1F, zip's 'P', PNG's 89, and a
// zlib CMF with method 8 (low nibble 8, top bit clear).
std::uint64_t marker_first_bytes(std::uint64_t word) {
    return zero_bytes(word ^ (ONES * 0x1F)) | zero_bytes(word ^ (ONES * 0x50)) |
           zero_bytes(word ^ (ONES * 0x89)) | zero_bytes((word & (ONES * 0x8F)) ^ (ONES * 0x08));
}

// The first position from start to limit (exclusive) whose two bytes may start a marker,
// or limit. bytes holds the window from start on, one byte past limit included.
std::uint64_t next_marker(const std::uint8_t* bytes, std::uint64_t start, std::uint64_t limit) {
    const auto count = static_cast<std::size_t>(limit - start);
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, sizeof word);
        for (std::uint64_t hits = marker_first_bytes(word); hits != 0; hits &= hits - 1) {
            const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(hits)) / 8;
            if (may_start_marker(bytes + at)) return start + at;
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
