// The scanned file, read in blocks through one window that the scan moves forward, plus
// positioned reads for whatever lies outside it. Nothing is mapped or loaded whole, so the
// memory stays the same for a file of any size, past 4 GiB in a 32-bit build too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace scan {

// Container headers are parsed from the window, so this much of the file lies in it past a
// position where one is parsed, unless the file ends first. A zip local header with its
// longest name and extra field takes 30 + 2 * 65,535 bytes. The window holds 256 KiB more:
// little enough that what the scan reads is still in the processor's cache when it looks.
inline constexpr std::size_t WINDOW_LOOKAHEAD = 196608;
inline constexpr std::size_t WINDOW_SIZE = 262144 + WINDOW_LOOKAHEAD;
static_assert(30 + 2 * 65535 <= WINDOW_LOOKAHEAD);

// The window never reaches past size. A read that meets the end of the file before size (a
// file of /sys states more bytes than it holds; a file can shrink while it is scanned) makes
// that end the size from then on, and cuts the window there.
struct ScanInput {
    int descriptor;
    std::uint64_t size;          // the bytes the scan covers
    std::uint64_t window_start;  // file offset of the window's first byte
    std::size_t window_fill;     // bytes of the file in the window
    int error;                   // the error number of the first failed read, else 0
};

// Takes the open file for scanning. False when it cannot be positioned (a pipe, a socket, a
// terminal): the scan reads some bytes more than once.
bool start_scan_input(ScanInput& input, std::FILE* file);

// Moves the window, unless it holds them already, so that it holds position and ahead bytes
// after it (at most WINDOW_LOOKAHEAD), or the rest of the file; then it holds WINDOW_SIZE
// bytes from position on. Reads as little as it can: bytes already in the window are moved,
// not read again. False after a read error.
bool cover_position(ScanInput& input, std::uint64_t position, std::size_t ahead);

// The window's bytes from position on, and how many there are; null when position lies
// outside the window.
const std::uint8_t* window_bytes(const ScanInput& input, std::uint64_t position,
                                 std::size_t* available);

// Up to size bytes from position, from the window where they lie in it; none past input.size,
// fewer at the end of the file or after a read error (then recorded in error).
std::size_t read_at(ScanInput& input, std::uint64_t position, std::uint8_t* buffer,
                    std::size_t size);

}  // namespace scan
