// rawinflate <input> <output>: decodes a raw DEFLATE stream (RFC 1951) into its bytes and
// prints one statistics line per block.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "decode_outcome.h"
#include "decoder_driver.h"

namespace {

constexpr int EXIT_STREAM_FAULT = 1;
constexpr int EXIT_FILE_FAILURE = 2;

int report_system_error(const char* path, int error) {
    std::fprintf(stderr, "rawinflate: %s: %s\n", path, std::strerror(error));
    return EXIT_FILE_FAILURE;
}

int report_stream_fault(const char* path, std::int32_t fault, InvalidSymbolSite site,
                        std::uint32_t block) {
    std::fprintf(stderr, "rawinflate: %s: %s %s block %u\n", path, fault_text(fault, site),
                 fault_block_word(fault), static_cast<unsigned>(block));
    return EXIT_STREAM_FAULT;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return EXIT_FILE_FAILURE;
    const char* const input_path = argv[1];
    const char* const output_path = argv[2];
    std::FILE* const input = std::fopen(input_path, "rb");
    if (input == nullptr) return EXIT_FILE_FAILURE;
    std::FILE* const output = std::fopen(output_path, "wb");
    if (output == nullptr) return EXIT_FILE_FAILURE;

    const DecodeFileResult result = decode_file(input, output, stdout);
    std::fclose(input);
    if (result.outcome == DecodeFileOutcome::read_failed) return report_system_error(input_path, result.error);
    if (result.outcome == DecodeFileOutcome::write_failed) return report_system_error(output_path, result.error);
    if (std::fflush(output) != 0 || std::fclose(output) != 0) return report_system_error(output_path, errno);

    // A fault that ended decoding comes first; one that was read through still fails the run.
    const DecodeOutcome& decoded = result.decode;
    if (decoded.result != 0)
        return report_stream_fault(input_path, decoded.result, decoded.invalid_symbol, decoded.block);
    if (decoded.read_through != 0)
        return report_stream_fault(input_path, decoded.read_through, decoded.invalid_symbol,
                                   decoded.read_through_block);
    return 0;
}
