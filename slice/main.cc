// byteslice <input> <output> <offset> <length>: copies the range of input that starts at
// the hexadecimal offset and spans the hexadecimal length into the new file output.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "range_copy.h"

namespace {

constexpr int EXIT_STATUS_SUCCESS = 0;
constexpr int EXIT_STATUS_FAILURE = 1;

static_assert(sizeof(unsigned int) == sizeof(std::uint32_t), "%X scans a 32-bit value");

// At most eight characters are read; digits in either case; false without a single digit.
bool scan_hex(const char* argument, std::uint32_t* value) {
    unsigned int scanned = 0;
    if (std::sscanf(argument, "%08X", &scanned) != 1) return false;
    *value = scanned;
    return true;
}

int fail(const char* subject, const char* what) {
    std::fprintf(stderr, "byteslice: %s: %s\n", subject, what);
    return EXIT_STATUS_FAILURE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) return EXIT_STATUS_FAILURE;
    const char* const input_name = argv[1];
    const char* const output_name = argv[2];
    std::FILE* const input = std::fopen(input_name, "rb");
    if (input == nullptr) return EXIT_STATUS_FAILURE;
    // Created before the range is looked at: a malformed range still leaves it, empty.
    std::FILE* const output = std::fopen(output_name, "wb");
    if (output == nullptr) return EXIT_STATUS_FAILURE;

    std::uint32_t offset = 0;
    if (!scan_hex(argv[3], &offset)) return fail(argv[3], "not a hexadecimal offset");
    std::printf("offset = %08X %i\n", offset, static_cast<std::int32_t>(offset));
    const bool positioned = seek_to_offset(input, offset);

    std::uint32_t length = 0;
    if (!scan_hex(argv[4], &length)) return fail(argv[4], "not a hexadecimal length");
    std::printf("length = %08X %i\n", length, static_cast<std::int32_t>(length));

    // Allocated once and never freed; zero-filled so no byte of it is ever indeterminate.
    // Held by a static, so it stays reachable (and no leak checker calls it lost) until exit.
    static std::uint8_t* const buffer = static_cast<std::uint8_t*>(std::calloc(COPY_BUFFER_SIZE, 1));
    if (buffer == nullptr) return fail("copy buffer", std::strerror(errno));

    CopyResult result = {COPY_COMPLETE, 0};
    // Never copy from wherever an unpositioned stream stands: reach the offset by reading.
    if (!positioned) result = skip_by_reading(input, offset, buffer);
    if (result.status == COPY_COMPLETE) result = copy_range(input, output, length, buffer);
    if (result.status == COPY_READ_FAILED)
        return fail(input_name, std::strerror(result.error_number));
    if (result.status == COPY_WRITE_FAILED)
        return fail(output_name, std::strerror(result.error_number));

    if (std::fflush(output) != 0) return fail(output_name, std::strerror(errno));
    if (std::fclose(output) != 0) return fail(output_name, std::strerror(errno));
    return EXIT_STATUS_SUCCESS;
}
