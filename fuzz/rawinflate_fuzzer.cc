// Fuzz harness for rawinflate: arbitrary bytes through the real driver and worker, checked
// against the program's own promises. Whatever the input, decoding ends with a result that
// names the fault or says the final block was decoded; a decoded stream ignores whatever
// follows it; and the output of any cut-off part of the input is a prefix of the output
// of the whole, so what is written before a fault is never wrong. The bytes a decoded stream
// took are exactly enough to decode it again.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "decode_outcome.h"
#include "decoder_driver.h"
#include "decoder_state.h"
#include "fuzz_files.h"

using namespace fuzz_files;
using namespace inflate;

namespace {

struct Decoded {
    std::int32_t result;
    std::uint64_t stream_bytes;
    std::vector<std::uint8_t> output;
};

Decoded decode(std::span<const std::uint8_t> stream) {
    std::FILE* const input = open_memory_input(stream);
    MemoryOutput output = open_memory_output();
    const DecodeFileResult file_result = decode_file(input, output.stream, nullptr);
    std::fclose(input);
    Decoded decoded{file_result.decode.result, file_result.stream_bytes, close_memory_output(output)};
    require(file_result.outcome == worker::DriveOutcome::finished, "a memory file failed to read or write");
    return decoded;
}

bool is_prefix(const std::vector<std::uint8_t>& part, const std::vector<std::uint8_t>& whole) {
    return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> stream(data, size);
    const Decoded whole = decode(stream);
    require(whole.result <= 0 && whole.result >= LOWEST_RESULT, "a result outside the named ones");

    if (whole.result == 0) {
        std::vector<std::uint8_t> followed(stream.begin(), stream.end());
        followed.insert(followed.end(), {0x00, 0xFF, 0x5A, 0x03});
        const Decoded longer = decode(followed);
        require(longer.result == 0 && longer.output == whole.output,
                "bytes after the final block changed the result");
        require(whole.stream_bytes <= size, "the stream took more bytes than there are");
        const Decoded exact = decode(stream.first(static_cast<std::size_t>(whole.stream_bytes)));
        require(exact.result == 0 && exact.output == whole.output,
                "the stream's own bytes alone do not decode to its final block");
    }

    const Decoded half = decode(stream.first(size / 2));
    require(is_prefix(half.output, whole.output), "a cut-off stream wrote bytes the whole stream does not");
    require(half.result != 0 || (whole.result == 0 && half.output == whole.output),
            "a cut-off stream decoded to a final block that the whole stream did not reach");
    return 0;
}
