// Fuzz harness for tokdeflate: arbitrary bytes as a token file, in each of the four codings
// (the first byte picks it). Either every token is good and the stream decodes to exactly
// what they replay to, or the coder names the first bad token and the stream decodes to
// what the tokens before it replay to. Decoding is rawinflate's own decoder, which also
// finds faults that it could read through, and where the stream ends.
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "coder_driver.h"
#include "decode_outcome.h"
#include "decoder_driver.h"
#include "fuzz_files.h"

using namespace fuzz_files;
using namespace inflate;

namespace {

constexpr coder::BlockCoding CODINGS[] = {coder::BlockCoding::best, coder::BlockCoding::dynamic,
                                          coder::BlockCoding::fixed, coder::BlockCoding::stored};

// The bytes the token file replays to, and how many tokens it has before the first bad one
// (the whole count when all are good).
struct Replayed {
    std::vector<std::uint8_t> bytes;
    std::uint64_t good_tokens = 0;
    bool all_good = true;
};

Replayed replay(std::span<const std::uint8_t> file) {
    Replayed replayed;
    for (std::size_t at = 0; at < file.size(); at += 4, ++replayed.good_tokens) {
        if (file.size() - at < 4) {
            replayed.all_good = false;
            break;
        }
        const unsigned distance = file[at] | file[at + 1] << 8;
        const unsigned value = file[at + 2] | file[at + 3] << 8;
        const bool good = distance == 0 ? value <= 255
                                        : value >= 3 && value <= 258 && distance <= 32768 &&
                                              distance <= replayed.bytes.size();
        if (!good) {
            replayed.all_good = false;
            break;
        }
        if (distance == 0) replayed.bytes.push_back(static_cast<std::uint8_t>(value));
        for (unsigned k = 0; distance != 0 && k < value; ++k)
            replayed.bytes.push_back(replayed.bytes[replayed.bytes.size() - distance]);
    }
    return replayed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    silence_standard_output();
    const coder::BlockCoding coding = CODINGS[data[0] % 4];
    const std::span<const std::uint8_t> file(data + 1, size - 1);

    std::FILE* const tokens = open_memory_input(file);
    MemoryOutput stream = open_memory_output();
    const coder::CodeFileResult coded = coder::code_token_file(tokens, stream.stream, nullptr, coding);
    std::fclose(tokens);
    const std::vector<std::uint8_t> written = close_memory_output(stream);

    const Replayed expected = replay(file);
    if (expected.all_good) {
        require(coded.outcome == coder::CodeFileOutcome::finished, "good tokens were refused");
    } else {
        require(coded.outcome == coder::CodeFileOutcome::invalid_token, "a bad token was coded");
        require(coded.fault.index == expected.good_tokens, "the fault names the wrong token");
    }

    std::FILE* const input = open_memory_input(written);
    MemoryOutput decoded = open_memory_output();
    const DecodeFileResult result = decode_file(input, decoded.stream, nullptr);
    std::fclose(input);
    const std::vector<std::uint8_t> bytes = close_memory_output(decoded);
    require(result.outcome == worker::DriveOutcome::finished && result.decode.result == 0,
            "the stream does not decode to its final block");
    require(result.decode.read_through == 0, "the stream holds a fault that a decoder reads through");
    require(result.stream_bytes == written.size(), "the stream does not end with its final block");
    require(bytes == expected.bytes, "the stream does not decode to the replay of the good tokens");
    return 0;
}
