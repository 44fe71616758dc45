// byteslice <input> <output> <offset> <length>: copies the range of input that starts at
// the hexadecimal offset and spans the hexadecimal length into the new file output.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "hex_number.h"
#include "program_files.h"
#include "range_copy.h"

namespace {

using namespace files;
using namespace slice;

constexpr int EXIT_STATUS_SUCCESS = 0;
constexpr int EXIT_STATUS_FAILURE = 1;

static_assert(sizeof(unsigned int) == sizeof(std::uint32_t), "%X prints a 32-bit value");

constexpr const char* NOT_A_NUMBER = "not a hexadecimal number of at most 8 digits";

int fail(const char* subject, const char* what) {
    std::fprintf(stderr, "byteslice: %s: %s\n", subject, what);
    return EXIT_STATUS_FAILURE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) return EXIT_STATUS_FAILURE;
    const char* const input_name = input_file_name(argv[1]);
    const char* const output_name = output_file_name(argv[2]);
    std::FILE* const input = open_input_file(argv[1]);
    if (input == nullptr) return EXIT_STATUS_FAILURE;
    if (is_input_file(argv[2], input)) return fail(output_name, "is the input file");
    // Created before the range is looked at: a malformed range still leaves it, empty.
    std::FILE* const output = open_output_file(argv[2]);
    if (output == nullptr) return EXIT_STATUS_FAILURE;
    std::FILE* const lines = lines_stream(output);

    const std::optional<std::uint32_t> offset = hex_number(argv[3]);
    if (!offset) return fail(argv[3], NOT_A_NUMBER);
    std::fprintf(lines, "offset = %08X %i\n", *offset, static_cast<std::int32_t>(*offset));
    const bool positioned = seek_to_offset(input, *offset);

    const std::optional<std::uint32_t> length = hex_number(argv[4]);
    if (!length) return fail(argv[4], NOT_A_NUMBER);
    std::fprintf(lines, "length = %08X %i\n", *length, static_cast<std::int32_t>(*length));

    // Allocated once and never freed; zero-filled so no byte of it is ever indeterminate.
    // Held by a static, so it stays reachable (and no leak checker calls it lost) until exit.
    static std::uint8_t* const buffer = static_cast<std::uint8_t*>(std::calloc(COPY_BUFFER_SIZE, 1));
    if (buffer == nullptr) return fail("copy buffer", std::strerror(errno));

    CopyResult result = {COPY_COMPLETE, 0};
    // Never copy from wherever an unpositioned stream stands: reach the offset by reading.
    if (!positioned) result = skip_by_reading(input, *offset, buffer);
    if (result.status == COPY_COMPLETE) result = copy_range(input, output, *length, buffer);
    if (result.status == COPY_READ_FAILED)
        return fail(input_name, std::strerror(result.error_number));
    if (result.status == COPY_WRITE_FAILED)
        return fail(output_name, std::strerror(result.error_number));

    if (const int error = close_output_file(output); error != 0)
        return fail(output_name, std::strerror(error));
    // Lines lost on a full disk are a failure too, not a quiet success.
    if (const int error = finish_standard_output(); error != 0)
        return fail("standard output", std::strerror(error));
    return EXIT_STATUS_SUCCESS;
}
