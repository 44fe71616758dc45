// Fuzz harness for streamscan: arbitrary bytes as the scanned file, with raw streams sought
// when the first byte is odd. Every line must hold up when its range is cut out and decoded
// on its own: lines come in file order, lie within the file, and a stream said to reach its
// final block decodes from exactly its bytes to exactly its size, while a fault does not.
// And the look that spares most trial decodes may turn down one of the file's first bytes
// as a stream's start only where the strict trial decode faults. Bits 1 and 2 of the first
// byte make the file state 4,096 bytes more than it holds, as in /sys, or half of them: it
// must scan as the bytes it holds up to there, on their own.
#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "block_start_check.h"
#include "decoder_driver.h"
#include "fuzz_files.h"
#include "scan_input.h"
#include "stream_scan.h"
#include "trial_decoder.h"

using namespace fuzz_files;
using namespace inflate;
using namespace scan;

namespace {

struct Line {
    char kind[8];
    std::uint64_t offset;
    std::uint64_t length;
    std::uint64_t decoded_size;
    char check[8];
    unsigned parts;
    bool operator==(const Line&) const = default;
};

std::FILE* scanned_file(std::span<const std::uint8_t> file, ScanInput& input) {
    std::FILE* const scanned = std::tmpfile();
    require(scanned != nullptr && std::fwrite(file.data(), 1, file.size(), scanned) == file.size() &&
                std::fflush(scanned) == 0,
            "the scanned file could not be made");
    require(start_scan_input(input, scanned), "a regular file could not be positioned");
    return scanned;
}

std::vector<Line> scan_lines(std::span<const std::uint8_t> file, std::uint64_t stated_size, bool raw) {
    static ScanInput input;
    std::FILE* const scanned = scanned_file(file, input);
    input.size = stated_size;
    MemoryOutput lines = open_memory_output();
    const ScanFailure failure = scan_file(input, FinderOptions{raw, nullptr}, lines.stream);
    std::fclose(scanned);
    require(failure.read_error == 0 && failure.output_error == 0, "a scan of a memory file failed");
    require(input.size == std::min<std::uint64_t>(stated_size, file.size()),
            "a scan ends with another size than the bytes it could read");
    const std::vector<std::uint8_t> text = close_memory_output(lines);

    std::vector<Line> parsed;
    std::istringstream in(std::string(text.begin(), text.end()));
    for (std::string row; std::getline(in, row);) {
        Line line{};
        require(std::sscanf(row.c_str(), "kind=%7s offset=%" SCNx64 " length=%" SCNx64 " d.size=%" SCNu64 " check=%7s",
                            line.kind, &line.offset, &line.length, &line.decoded_size, line.check) == 5,
                "a line out of format");
        if (const std::size_t at = row.find(" parts="); at != std::string::npos)
            line.parts = static_cast<unsigned>(std::stoul(row.substr(at + 7)));
        parsed.push_back(line);
    }
    return parsed;
}

void check_line(std::span<const std::uint8_t> file, const Line& line) {
    const std::string check = line.check;
    require(line.offset + (line.parts > 1 ? 0 : line.length) <= file.size(), "a stream reaches past the file");
    if (line.parts > 1) return;
    std::FILE* const input = open_memory_input(file.subspan(line.offset, line.length));
    MemoryOutput output = open_memory_output();
    const DecodeFileResult result = decode_file(input, output.stream, nullptr);
    std::fclose(input);
    const std::vector<std::uint8_t> decoded = close_memory_output(output);
    require(result.outcome == worker::DriveOutcome::finished, "a memory file failed to read or write");
    if (check == "fault") {
        require(result.decode.result != 0 || result.decode.read_through != 0,
                "a fault line whose bytes decode cleanly to the final block");
        return;
    }
    require(result.decode.result == 0 && result.decode.read_through == 0,
            "a stream said to be whole does not decode cleanly from its bytes");
    require(result.stream_bytes == line.length, "a stream's length is not the bytes it takes");
    require(decoded.size() == line.decoded_size, "a stream's d.size is not its decoded size");
}

// The offsets from the file's start where the look is held against the trial decode.
constexpr std::size_t LOOKS_CHECKED = 64;

void check_looks(std::span<const std::uint8_t> file) {
    static ScanInput input;
    std::FILE* const scanned = scanned_file(file, input);
    for (std::size_t offset = 0; offset < std::min(file.size(), LOOKS_CHECKED); ++offset) {
        const std::span<const std::uint8_t> here = file.subspan(offset);
        const bool first_block = may_start_stream(here, CheckedBlocks::first);
        const bool until_final = may_start_stream(here, CheckedBlocks::until_final);
        require(first_block || !until_final, "the longer look takes what the first block's turns down");
        if (until_final) continue;
        StreamSource source = file_source(input, offset);
        DecodedFile nowhere{nullptr, nullptr, 0};
        const DecodeOutcome outcome = decode_trial(input, source, StreamChecksum::none, nowhere).outcome;
        require(outcome.result != 0, "the look turns down a stream that decodes");
        require(first_block || outcome.block == 1, "the first block's look turns down a stream past its first block");
    }
    std::fclose(scanned);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::span<const std::uint8_t> file(data + 1, size - 1);
    const bool raw = (data[0] & 1) != 0;
    const unsigned stated = (data[0] >> 1) & 3;
    const std::uint64_t stated_size = stated == 1 ? file.size() + 4096 : stated == 2 ? file.size() / 2 : file.size();
    const std::span<const std::uint8_t> covered = file.first(std::min<std::uint64_t>(stated_size, file.size()));
    const std::vector<Line> lines = scan_lines(file, stated_size, raw);
    if (stated_size != file.size())
        require(lines == scan_lines(covered, covered.size(), raw), "a stated size scans otherwise than the bytes held to there");
    std::uint64_t previous_end = 0;
    for (const Line& line : lines) {
        require(line.offset >= previous_end, "lines out of file order or overlapping");
        check_line(covered, line);
        previous_end = line.offset + (line.parts > 1 ? 1 : line.length);
    }
    check_looks(file);
    return 0;
}
