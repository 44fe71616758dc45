// tokdeflate <tokens> <output> [best|dynamic|fixed|stored]: codes a token file as lztokens
// writes it as a raw DEFLATE stream (RFC 1951) and prints one statistics line per block.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "coder_driver.h"
#include "program_files.h"
#include "token_reader.h"

namespace {

using namespace files;

constexpr int EXIT_INVALID_TOKEN = 1;
constexpr int EXIT_REFUSED = 2;

int report(const char* path, const char* what) {
    std::fprintf(stderr, "tokdeflate: %s: %s\n", path, what);
    return EXIT_REFUSED;
}

struct CodingName {
    const char* name;
    coder::BlockCoding coding;
};

constexpr CodingName CODING_NAMES[] = {
    {"best", coder::BlockCoding::best},
    {"dynamic", coder::BlockCoding::dynamic},
    {"fixed", coder::BlockCoding::fixed},
    {"stored", coder::BlockCoding::stored},
};

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) return report("usage", "tokdeflate <tokens> <output> [best|dynamic|fixed|stored]");
    const char* const tokens_path = argv[1];
    const char* const output_path = argv[2];
    const char* const tokens_name = input_file_name(tokens_path);
    const char* const output_name = output_file_name(output_path);

    // Refused before any file is opened, so a bad mode leaves the output untouched.
    coder::BlockCoding coding = coder::BlockCoding::best;
    if (argc > 3) {
        const CodingName* found = nullptr;
        for (const CodingName& entry : CODING_NAMES)
            if (std::strcmp(argv[3], entry.name) == 0) found = &entry;
        if (found == nullptr) return report(argv[3], "mode must be best, dynamic, fixed or stored");
        coding = found->coding;
    }

    std::FILE* const input = open_input_file(tokens_path);
    if (input == nullptr) return report(tokens_name, std::strerror(errno));
    if (is_input_file(output_path, input)) return report(output_name, "is the input file");
    std::FILE* const output = open_output_file(output_path);
    if (output == nullptr) return report(output_name, std::strerror(errno));

    const coder::CodeFileResult result = coder::code_token_file(input, output, lines_stream(output), coding);
    if (result.outcome == coder::CodeFileOutcome::write_failed)
        return report(output_name, std::strerror(result.error));
    // Closed before a read error is reported, so that the stream coded before it is kept.
    const int close_error = close_output_file(output);
    if (result.outcome == coder::CodeFileOutcome::read_failed)
        return report(tokens_name, std::strerror(result.error));
    if (close_error != 0) return report(output_name, std::strerror(close_error));
    if (const int error = finish_standard_output(); error != 0)
        return report("standard output", std::strerror(error));

    if (result.outcome == coder::CodeFileOutcome::invalid_token) {
        char what[128];
        std::fprintf(stderr, "tokdeflate: %s: token %" PRIu64 ": %s\n", tokens_name, result.fault.index,
                     coder::token_fault_text(result.fault, what, sizeof what));
        return EXIT_INVALID_TOKEN;
    }
    return EXIT_SUCCESS;
}
