// lztokens <input> <output> [level]: writes the greedy LZ77 parse of a file as 4-byte
// tokens, searching as hard as the level (0 to 9, default 3) says.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "level_table.h"
#include "tokenizer_driver.h"

namespace {

constexpr int EXIT_REFUSED = 2;

int report(const char* path, const char* what) {
    std::fprintf(stderr, "lztokens: %s: %s\n", path, what);
    return EXIT_REFUSED;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) return EXIT_REFUSED;
    // Refused before any file is opened, so a bad level leaves the output untouched.
    if (argc > 3) {
        // Read as atoi reads it, without atoi's undefined result for huge numbers.
        const long requested = std::strtol(argv[3], nullptr, 10);
        if (requested < MIN_LEVEL || requested > MAX_LEVEL)
            return report(argv[3], "level must be from 0 to 9");
        level = static_cast<std::int32_t>(requested);
    }

    std::FILE* const input = std::fopen(argv[1], "rb");
    if (input == nullptr) return EXIT_REFUSED;
    std::FILE* const output = std::fopen(argv[2], "wb");
    if (output == nullptr) return EXIT_REFUSED;

    const TokenizeResult result = tokenize_file(input, output);
    std::fclose(input);
    if (result.outcome == TokenizeOutcome::read_failed)
        return report(argv[1], std::strerror(result.error));
    if (result.outcome == TokenizeOutcome::write_failed)
        return report(argv[2], std::strerror(result.error));
    if (std::fflush(output) != 0) return report(argv[2], std::strerror(errno));
    if (std::fclose(output) != 0) return report(argv[2], std::strerror(errno));
    return EXIT_SUCCESS;
}
