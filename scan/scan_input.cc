// Reading the scanned file with positioned reads, so that trial decodes anywhere in the
// file and the window never disturb each other.
#include "scan_input.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

static_assert(sizeof(off_t) >= 8, "files past 4 GiB need a 64-bit file offset");

namespace scan {

namespace {

// One zero byte more than the file fills, so that a two-byte look at the last byte is safe.
std::uint8_t window[WINDOW_SIZE + 1];

// A read met the end of the file at end. Before size, that end is the size from then on; the
// window, which may hold bytes of a file that has shrunk since they were read, is cut there.
void file_ends_at(ScanInput& input, std::uint64_t end) {
    if (end >= input.size) return;
    input.size = end;
    if (input.window_start + input.window_fill > end) {
        input.window_fill = end > input.window_start ? static_cast<std::size_t>(end - input.window_start) : 0;
        window[input.window_fill] = 0;
    }
}

// Reads until size bytes have come, the file ends, or a read fails.
std::size_t read_fully(ScanInput& input, std::uint64_t position, std::uint8_t* buffer,
                       std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = pread(input.descriptor, buffer + got, size - got,
                                static_cast<off_t>(position + got));
        if (n == 0) {
            file_ends_at(input, position + got);
            break;
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            if (input.error == 0) input.error = errno;
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return got;
}

}  // namespace

bool start_scan_input(ScanInput& input, std::FILE* file) {
    input = ScanInput{fileno(file), 0, 0, 0, 0};
    struct stat status {};
    if (fstat(input.descriptor, &status) != 0) return false;
    if (S_ISREG(status.st_mode)) {
        input.size = static_cast<std::uint64_t>(status.st_size);
        return true;
    }
    // A block device tells its size by where its end lies.
    if (!S_ISBLK(status.st_mode)) return false;
    const off_t end = lseek(input.descriptor, 0, SEEK_END);
    if (end < 0) return false;
    input.size = static_cast<std::uint64_t>(end);
    return true;
}

bool cover_position(ScanInput& input, std::uint64_t position, std::size_t ahead) {
    const std::uint64_t window_end = input.window_start + input.window_fill;
    if (position >= input.window_start && position <= window_end &&
        (window_end - position >= ahead || window_end == input.size))
        return true;
    if (position >= input.size) {
        input.window_start = position;
        input.window_fill = 0;
        return true;
    }
    std::size_t kept = 0;
    if (position >= input.window_start && position < window_end) {
        kept = static_cast<std::size_t>(window_end - position);
        std::memmove(window, window + (position - input.window_start), kept);
    }
    input.window_start = position;
    input.window_fill = kept;
    const std::uint64_t wanted = std::min<std::uint64_t>(WINDOW_SIZE, input.size - position);
    input.window_fill += read_fully(input, position + kept, window + kept,
                                    static_cast<std::size_t>(wanted) - kept);
    window[input.window_fill] = 0;
    return input.error == 0;
}

const std::uint8_t* window_bytes(const ScanInput& input, std::uint64_t position,
                                 std::size_t* available) {
    if (position < input.window_start || position >= input.window_start + input.window_fill)
        return nullptr;
    const auto offset = static_cast<std::size_t>(position - input.window_start);
    *available = input.window_fill - offset;
    return window + offset;
}

std::size_t read_at(ScanInput& input, std::uint64_t position, std::uint8_t* buffer,
                    std::size_t size) {
    std::size_t available = 0;
    if (const std::uint8_t* bytes = window_bytes(input, position, &available);
        bytes != nullptr && (available >= size || input.window_start + input.window_fill == input.size)) {
        const std::size_t n = std::min(size, available);
        std::memcpy(buffer, bytes, n);
        return n;
    }
    if (position >= input.size) return 0;
    return read_fully(input, position, buffer,
                      static_cast<std::size_t>(std::min<std::uint64_t>(size, input.size - position)));
}

}  // namespace scan
