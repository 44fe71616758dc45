// lztokens <input> <output> [level]: writes the greedy LZ77 parse of a file as 4-byte
// tokens, searching as hard as the level (0 to 9, default 3) says.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "level_table.h"
#include "program_files.h"
#include "tokenizer_driver.h"

namespace {

using namespace files;
using namespace tokenize;

constexpr int EXIT_REFUSED = 2;

int report(const char* subject, const char* what) {
    std::fprintf(stderr, "lztokens: %s: %s\n", subject, what);
    return EXIT_REFUSED;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) return EXIT_REFUSED;
    // Refused before any file is opened, so a bad level leaves the output untouched.
    std::int32_t level = DEFAULT_LEVEL;
    if (argc > 3) {
        // Read as atoi reads it, without atoi's undefined result for huge numbers.
        const long requested = std::strtol(argv[3], nullptr, 10);
        if (requested < MIN_LEVEL || requested > MAX_LEVEL)
            return report(argv[3], "level must be from 0 to 9");
        level = static_cast<std::int32_t>(requested);
    }
    const char* const input_name = input_file_name(argv[1]);
    const char* const output_name = output_file_name(argv[2]);

    std::FILE* const input = open_input_file(argv[1]);
    if (input == nullptr) return EXIT_REFUSED;
    if (is_input_file(argv[2], input)) return report(output_name, "is the input file");
    std::FILE* const output = open_output_file(argv[2]);
    if (output == nullptr) return EXIT_REFUSED;

    const TokenizeResult result = tokenize_file(input, output, lines_stream(output), level);
    std::fclose(input);
    if (result.outcome == worker::DriveOutcome::write_failed)
        return report(output_name, std::strerror(result.error));
    // Closed before a read error is reported, so that the tokens made before it are kept.
    const int close_error = close_output_file(output);
    if (result.outcome == worker::DriveOutcome::read_failed)
        return report(input_name, std::strerror(result.error));
    if (close_error != 0) return report(output_name, std::strerror(close_error));
    // A trace line lost on a full disk is a failure too, not a quiet success.
    if (const int error = finish_standard_output(); error != 0)
        return report("standard output", std::strerror(error));
    return EXIT_SUCCESS;
}
