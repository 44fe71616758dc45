// rawinflate <input> <output>: decodes a raw DEFLATE stream (RFC 1951) into its bytes and
// prints one statistics line per block.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "decode_outcome.h"
#include "decoder_driver.h"
#include "program_files.h"

namespace {

using namespace files;
using inflate::DecodeOutcome;

constexpr int EXIT_STREAM_FAULT = 1;
constexpr int EXIT_FILE_FAILURE = 2;

int report(const char* subject, const char* what) {
    std::fprintf(stderr, "rawinflate: %s: %s\n", subject, what);
    return EXIT_FILE_FAILURE;
}

int report_stream_fault(const char* path, std::int32_t fault, inflate::InvalidSymbolSite site,
                        std::uint32_t block) {
    std::fprintf(stderr, "rawinflate: %s: %s %s block %u\n", path, inflate::fault_text(fault, site),
                 inflate::fault_block_word(fault), static_cast<unsigned>(block));
    return EXIT_STREAM_FAULT;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return EXIT_FILE_FAILURE;
    const char* const input_path = argv[1];
    const char* const output_path = argv[2];
    const char* const input_name = input_file_name(input_path);
    const char* const output_name = output_file_name(output_path);
    std::FILE* const input = open_input_file(input_path);
    if (input == nullptr) return EXIT_FILE_FAILURE;
    if (is_input_file(output_path, input)) return report(output_name, "is the input file");
    std::FILE* const output = open_output_file(output_path);
    if (output == nullptr) return EXIT_FILE_FAILURE;

    const inflate::DecodeFileResult result = inflate::decode_file(input, output, lines_stream(output));
    std::fclose(input);
    if (result.outcome == worker::DriveOutcome::write_failed)
        return report(output_name, std::strerror(result.error));
    // Closed before a read error is reported, so that the bytes decoded before it are kept.
    const int close_error = close_output_file(output);
    if (result.outcome == worker::DriveOutcome::read_failed)
        return report(input_name, std::strerror(result.error));
    if (close_error != 0) return report(output_name, std::strerror(close_error));
    // A statistics line lost on a full disk is a failure too, not a quiet success.
    if (const int error = finish_standard_output(); error != 0)
        return report("standard output", std::strerror(error));

    // A fault that ended decoding comes first; one that was read through still fails the run.
    const DecodeOutcome& decoded = result.decode;
    if (decoded.result != 0)
        return report_stream_fault(input_name, decoded.result, decoded.invalid_symbol, decoded.block);
    if (decoded.read_through != 0)
        return report_stream_fault(input_name, decoded.read_through, decoded.invalid_symbol,
                                   decoded.read_through_block);
    return 0;
}
