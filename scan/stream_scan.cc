// The scan loop. Positions are 64-bit file offsets throughout; candidates are sought in
// vectors of sixteen bytes, and only the pairs of bytes that may start a marker are tried.
#include "stream_scan.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "block_start_check.h"

namespace scan {

namespace {

static_assert(std::endian::native == std::endian::little, "a word's first byte is its lowest");

// The window holds this much past the positions the scan looks at: enough for the look at a
// stream's first blocks, which leaves the rest to the trial decode, and little enough that
// the window seldom moves bytes it holds. find_stream makes room for longer headers.
constexpr std::size_t SCAN_LOOKAHEAD = 4096;

// Sixteen bytes at a time, in the vector registers of whichever processor the build is for
// (plain words where there are none). A lane of a comparison is all ones where it holds. No
// function takes or returns such a vector: where the build has no vector registers, as the
// 32-bit x86 one, that would be a different calling convention.
using Lanes = std::uint8_t __attribute__((vector_size(16)));

// Whether the stream after the RFC 1950 header at bytes, with available bytes from there, may
// get a line. Such a header is two bytes that x86-64 code is full of (48 89 is a mov), so the
// stream's first blocks are looked at here already.
bool rfc1950_may_start(const std::uint8_t* bytes, std::size_t available) {
    return available <= RFC1950_HEADER_SIZE ||
           may_start_stream({bytes + RFC1950_HEADER_SIZE, available - RFC1950_HEADER_SIZE},
                            CheckedBlocks::until_final);
}

// Whether a marker worth a try starts at bytes, with available bytes from there.
bool marker_worth_trying(const std::uint8_t* bytes, std::size_t available) {
    if (!may_start_marker(bytes)) return false;
    return !is_rfc1950_header(bytes[0], bytes[1]) || rfc1950_may_start(bytes, available);
}

// A CMF of method 8 is the only first byte of a marker whose low four bits are 8.
constexpr bool is_rfc1950_cmf(std::uint8_t byte) { return (byte & 0x0F) == 8; }
static_assert(!is_rfc1950_cmf(GZIP_ID1) && !is_rfc1950_cmf(ZIP_SIGNATURE[0]) &&
              !is_rfc1950_cmf(PNG_SIGNATURE[0]));

// The lanes of the sixteen positions from bytes on where a marker may start, as two words of
// eight lanes each, the first lane lowest; the bytes to bytes + 17 are read.
[[gnu::always_inline]] inline void marker_lanes(const std::uint8_t* bytes, std::uint64_t halves[2]) {
    // Each byte, and the two after it in the same lanes of second and third.
    Lanes first;
    Lanes second;
    Lanes third;
    std::memcpy(&first, bytes, sizeof first);
    std::memcpy(&second, bytes + 1, sizeof second);
    std::memcpy(&third, bytes + 2, sizeof third);
    // An RFC 1950 CMF of method 8 and a window of at most 32 KiB is 16 k + 8 with k <= 7, and
    // 256 CMF + FLG is a multiple of 31 when 4 k + 2 + FLG is: FLG is 32 a + b, which 31
    // divides as it does a + b, so the sum of the three, at most 68, is 31 or 62. The block
    // type in the third byte must not be the reserved one.
    const Lanes check = (first >> 2) + (second >> 5) + (second & 31);
    const Lanes rfc1950 = ((first & 0x8F) == 0x08) & ((second & 0x20) == 0) &
                          ((check == 31) | (check == 62)) & ((third & 6) != 6);
    // gzip's 1F 8B, zip's "PK", PNG's 89 "P": both bytes count, as 50 and 89 alone are
    // everyday x86 opcodes.
    const Lanes hits = ((first == 0x1F) & (second == 0x8B)) | ((first == 0x50) & (second == 0x4B)) |
                       ((first == 0x89) & (second == 0x50)) | rfc1950;
    std::memcpy(halves, &hits, 2 * sizeof halves[0]);
}

// One bit for each of the eight lanes in a word of lanes, the first lane lowest: the
// multiplication moves bit 0 of lane k to bit 56 + k, and no two of its terms meet.
std::uint64_t lane_bits(std::uint64_t lanes) {
    return ((lanes & 0x0101010101010101) * 0x0102040810204080) >> 56;
}

// The first position from start to limit (exclusive) where a marker may start, or limit.
// bytes holds the window from start on, available bytes, one byte past limit included.
std::uint64_t next_marker(const std::uint8_t* bytes, std::size_t available, std::uint64_t start,
                          std::uint64_t limit) {
    const auto count = static_cast<std::size_t>(limit - start);
    // 128 positions at a time, each found position one bit: in x86-64 code, where one
    // position in fifty or so is found, a branch for every sixteen would go wrong often.
    constexpr std::size_t CHUNK = 128;
    std::size_t i = 0;
    // The third byte is read too, so the vectors stop one byte short of the bytes given.
    for (; i + CHUNK + 1 <= count; i += CHUNK) {
        std::uint64_t halves[CHUNK / 8];
        for (std::size_t part = 0; part < CHUNK / 16; ++part)
            marker_lanes(bytes + i + 16 * part, halves + 2 * part);
        std::uint64_t any = 0;
        for (const std::uint64_t half : halves)
            any |= half;
        if (any == 0) continue;
        for (std::size_t word = 0; word < CHUNK / 64; ++word) {
            std::uint64_t found = 0;
            for (std::size_t half = 0; half < 8; ++half)
                found |= lane_bits(halves[8 * word + half]) << (8 * half);
            // The lanes hold markers only, of which only an RFC 1950 one is looked at further.
            for (; found != 0; found &= found - 1) {
                const std::size_t at = i + 64 * word + static_cast<std::size_t>(std::countr_zero(found));
                if (!is_rfc1950_cmf(bytes[at]) || rfc1950_may_start(bytes + at, available - at))
                    return start + at;
            }
        }
    }
    for (; i < count; ++i)
        if (marker_worth_trying(bytes + i, available - i)) return start + i;
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
    if (found.name_length > 0) print_name(lines, found.name.data(), found.name_length);
    if (found.parts > 0) std::fprintf(lines, " parts=%u", static_cast<unsigned>(found.parts));
    std::fputc('\n', lines);
}

ScanFailure scan_file(ScanInput& input, const FinderOptions& options, std::FILE* lines) {
    ScanFailure failure{0, 0};
    for (std::uint64_t position = 0; position < input.size;) {
        if (!cover_position(input, position, SCAN_LOOKAHEAD)) break;
        std::size_t available = 0;
        const std::uint8_t* const bytes = window_bytes(input, position, &available);
        if (bytes == nullptr) break;
        // Positions before the limit keep SCAN_LOOKAHEAD bytes after them in the window, or the
        // rest of the file; position itself is always looked at. Held back from available, so
        // that the limit lies within the window however little it holds.
        const std::uint64_t window_end = position + available;
        const std::size_t held_back = window_end == input.size ? 0 : std::min(available - 1, SCAN_LOOKAHEAD);
        const std::uint64_t limit = window_end - held_back;
        const std::uint64_t candidate = options.raw ? position : next_marker(bytes, available, position, limit);
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

}  // namespace scan
