// Checks of the programs past 4 GiB, where 32-bit counters and offsets wrap. Nothing is
// stored: the codec programs' data flow through FIFOs and are compared on the fly, and
// streamscan reads a sparse file. Too slow for every test run; tests/huge/run.sh starts it
// by hand.
//
//   huge_inputs rawinflate <program> <work folder>
//   huge_inputs lztokens <program> <work folder> <bytes> <level>
//   huge_inputs streamscan <program> <work folder>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "checksums.h"
#include "deflate_writer.h"
#include "gzip_member.h"
#include "program_runner.h"
#include "token_replayer.h"

using namespace test_support;
using namespace scan;
using namespace deflate;

namespace {

bool failed = false;

void check(bool condition, const std::string& what) {
    if (!condition) {
        std::fprintf(stderr, "FAILED: %s\n", what.c_str());
        failed = true;
    }
}

// A deterministic byte source: xorshift, cheap enough for gigabytes.
struct Generator {
    std::uint64_t state;
    std::uint64_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
};

// The output that a stream of literals and back-references decodes to, followed as it is
// produced: its size and CRC-32, and the last 64 KiB for the back-references.
struct OutputModel {
    std::array<std::uint8_t, 65536> ring{};
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::array<std::uint8_t, 65536> pending{};
    std::size_t pending_size = 0;

    void put(std::uint8_t byte) {
        ring[size & 0xFFFF] = byte;
        ++size;
        pending[pending_size++] = byte;
        if (pending_size == pending.size()) flush();
    }
    void flush() {
        crc = crc32(std::span(pending.data(), pending_size), crc);
        pending_size = 0;
    }
    void copy(unsigned length, unsigned distance) {
        for (unsigned i = 0; i < length; ++i) put(ring[(size - distance) & 0xFFFF]);
    }
};

// Reads a FIFO to its end and reports size and CRC-32.
struct StreamDigest {
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
};

StreamDigest digest_of(const std::string& path) {
    StreamDigest digest;
    const int fd = open(path.c_str(), O_RDONLY);
    std::vector<std::uint8_t> buffer(1 << 20);
    for (ssize_t n; fd >= 0 && (n = read(fd, buffer.data(), buffer.size())) > 0;) {
        digest.size += static_cast<std::uint64_t>(n);
        digest.crc = crc32(std::span(buffer.data(), static_cast<std::size_t>(n)), digest.crc);
    }
    if (fd >= 0) close(fd);
    return digest;
}

// Opens the other end of a FIFO without blocking, so a thread still waiting in open()
// goes on when the program never opened the FIFO.
void release_fifo(const std::string& path, int flags) {
    const int fd = open(path.c_str(), flags | O_NONBLOCK);
    if (fd >= 0) close(fd);
}

// A stored block, one fixed-code block of more than 4 GiB of back-references, and a final
// stored block. The middle block's d.size passes 2^32, and the total passes 4 GiB.
int check_rawinflate(const std::string& program, const std::string& folder) {
    Generator random{0x9E3779B97F4A7C15u};
    OutputModel model;
    BitWriter writer;

    std::vector<std::uint8_t> opening(1000);
    for (auto& byte : opening) byte = static_cast<std::uint8_t>(random.next());
    put_stored_block(writer, false, opening);
    for (const std::uint8_t byte : opening) model.put(byte);

    constexpr std::uint64_t MIDDLE_SIZE = (std::uint64_t{1} << 32) + 123457;
    constexpr std::array<unsigned, 6> DISTANCES = {1, 2, 3, 258, 1000, 999};
    put_block_header(writer, false, FIXED_BLOCK);
    const std::uint64_t middle_start = model.size;
    while (model.size - middle_start < MIDDLE_SIZE) {
        const std::uint64_t left = MIDDLE_SIZE - (model.size - middle_start);
        if (left < 3) {
            const auto byte = static_cast<std::uint8_t>(random.next());
            put_item(writer, fixed_litlen_code(), fixed_distance_code(), literal(byte));
            model.put(byte);
            continue;
        }
        const unsigned length = left >= 258 + 3 ? 258 : static_cast<unsigned>(left);
        const unsigned distance = DISTANCES[random.next() % DISTANCES.size()];
        put_item(writer, fixed_litlen_code(), fixed_distance_code(), match(length, distance));
        model.copy(length, distance);
    }
    put_symbol(writer, fixed_litlen_code(), END_OF_BLOCK);

    std::vector<std::uint8_t> closing(77);
    for (auto& byte : closing) byte = static_cast<std::uint8_t>(random.next());
    align_to_byte(writer);
    put_stored_block(writer, true, closing);
    for (const std::uint8_t byte : closing) model.put(byte);
    model.flush();

    const std::string stream_path = folder + "/huge.raw";
    const std::string fifo = folder + "/decoded.fifo";
    write_file(stream_path, writer.bytes);
    unlink(fifo.c_str());
    if (mkfifo(fifo.c_str(), 0600) != 0) return 2;

    StreamDigest digest;
    std::thread reader([&] { digest = digest_of(fifo); });
    const ProgramResult result = run_program(program, {stream_path, fifo});
    release_fifo(fifo, O_WRONLY);
    reader.join();

    check(result.exit_status == 0, "exit status " + std::to_string(result.exit_status));
    check(digest.size == model.size, "decoded " + std::to_string(digest.size) + " bytes, expected " +
                                         std::to_string(model.size));
    check(digest.crc == model.crc, "CRC-32 of the decoded bytes");
    // The middle block's d.size is a 32-bit count, printed as a signed number.
    char middle_size[32];
    std::snprintf(middle_size, sizeof middle_size, "%5i",
                  static_cast<std::int32_t>(static_cast<std::uint32_t>(MIDDLE_SIZE)));
    const std::string expected_tail = std::string(" d.size=") + middle_size + "\n";
    const std::string& lines = result.standard_output;
    const std::size_t second_line = lines.find('\n') + 1;
    const std::size_t third_line = lines.find('\n', second_line) + 1;
    check(lines.substr(0, 6) == "type=0" && lines.substr(second_line, 6) == "type=1" &&
              lines.substr(third_line, 6) == "type=0",
          "block types in the statistics lines:\n" + lines);
    check(lines.substr(second_line, third_line - second_line).ends_with(expected_tail),
          "wrapped d.size of the middle block:\n" + lines);
    std::printf("rawinflate: %llu bytes decoded through a FIFO, CRC-32 %08X\n%s",
                static_cast<unsigned long long>(digest.size), digest.crc, lines.c_str());
    return failed ? 1 : 0;
}

// Text-like bytes with plenty of repeats: words from a small vocabulary.
struct TextSource {
    Generator random;
    std::string word;
    std::size_t word_pos = 0;

    std::uint8_t next() {
        if (word_pos == word.size()) {
            static const std::array<const char*, 16> WORDS = {
                "the ", "stream ", "block ", "of ", "huffman ", "code ", "and ", "a ",
                "distance ", "length ", "literal ", "window ", "\n", "bits ", "256 ", "zero "};
            const std::uint64_t r = random.next();
            word = WORDS[r % WORDS.size()];
            if ((r >> 20) % 7 == 0) word += static_cast<char>('A' + (r >> 32) % 26);
            word_pos = 0;
        }
        return static_cast<std::uint8_t>(word[word_pos++]);
    }
};

// Feeds size bytes into a FIFO for lztokens, replays its tokens from a second FIFO against
// a second copy of the same source, and checks every token on the way.
int check_lztokens(const std::string& program, const std::string& folder, std::uint64_t size,
                   const std::string& level) {
    const std::string input_fifo = folder + "/input.fifo";
    const std::string token_fifo = folder + "/tokens.fifo";
    for (const std::string& fifo : {input_fifo, token_fifo}) {
        unlink(fifo.c_str());
        if (mkfifo(fifo.c_str(), 0600) != 0) return 2;
    }

    std::thread writer([&] {
        TextSource source{{0x0123456789ABCDEFu}, {}, 0};
        const int fd = open(input_fifo.c_str(), O_WRONLY);
        std::vector<std::uint8_t> buffer(1 << 20);
        for (std::uint64_t sent = 0; fd >= 0 && sent < size;) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - sent));
            for (std::size_t i = 0; i < n; ++i) buffer[i] = source.next();
            if (write(fd, buffer.data(), n) != static_cast<ssize_t>(n)) break;
            sent += n;
        }
        if (fd >= 0) close(fd);
    });

    std::uint64_t rebuilt = 0, tokens = 0, longest_distance = 0;
    std::string error;
    std::thread replayer([&] {
        TextSource expected{{0x0123456789ABCDEFu}, {}, 0};
        std::vector<std::uint8_t> ring(65536);
        const int fd = open(token_fifo.c_str(), O_RDONLY);
        std::vector<std::uint8_t> buffer(1 << 20);
        std::size_t held = 0;
        auto put = [&](std::uint8_t byte) {
            if (error.empty() && byte != expected.next())
                error = "rebuilt byte differs from the input at " + std::to_string(rebuilt);
            ring[rebuilt & 0xFFFF] = byte;
            ++rebuilt;
        };
        for (ssize_t n; fd >= 0 && (n = read(fd, buffer.data() + held, buffer.size() - held)) > 0;) {
            held += static_cast<std::size_t>(n);
            std::size_t at = 0;
            for (; held - at >= TOKEN_SIZE; at += TOKEN_SIZE, ++tokens) {
                const unsigned distance = buffer[at] | buffer[at + 1] << 8;
                const unsigned value = buffer[at + 2] | buffer[at + 3] << 8;
                if (distance == 0) {
                    if (value > 255 && error.empty()) error = "bad literal token " + std::to_string(tokens);
                    put(static_cast<std::uint8_t>(value));
                    continue;
                }
                const bool in_range = distance <= FARTHEST_DISTANCE && distance <= rebuilt &&
                                      value >= SHORTEST_TOKEN_LENGTH && value <= LONGEST_TOKEN_LENGTH;
                if (!in_range && error.empty())
                    error = "bad match token " + std::to_string(tokens);
                longest_distance = std::max<std::uint64_t>(longest_distance, distance);
                for (unsigned i = 0; i < value; ++i) put(ring[(rebuilt - distance) & 0xFFFF]);
            }
            std::copy(buffer.begin() + static_cast<std::ptrdiff_t>(at),
                      buffer.begin() + static_cast<std::ptrdiff_t>(held), buffer.begin());
            held -= at;
        }
        if (held != 0 && error.empty()) error = "token stream ends inside a token";
        if (fd >= 0) close(fd);
    });

    const ProgramResult result = run_program(program, {input_fifo, token_fifo, level});
    release_fifo(input_fifo, O_RDONLY);
    release_fifo(token_fifo, O_WRONLY);
    writer.join();
    replayer.join();

    check(result.exit_status == 0, "exit status " + std::to_string(result.exit_status));
    check(error.empty(), error);
    check(rebuilt == size, "rebuilt " + std::to_string(rebuilt) + " of " + std::to_string(size) + " bytes");
    std::size_t lines = 0;
    for (const char c : result.standard_output) lines += c == '\n';
    // fread fills each 64 KiB block from the FIFO however the writer lags, so the count is
    // the same as for a file of that size.
    check(lines == size / 65536 + 2, "trace lines: " + std::to_string(lines));
    std::printf("lztokens level %s: %llu bytes, %llu tokens, farthest distance %llu, %zu trace lines\n",
                level.c_str(), static_cast<unsigned long long>(rebuilt),
                static_cast<unsigned long long>(tokens),
                static_cast<unsigned long long>(longest_distance), lines);
    return failed ? 1 : 0;
}

// A sparse file of more than 4 GiB with the same small gzip member before 4 GiB, across it
// and past it: streamscan reports each at its full offset, upper-case hexadecimal of more
// than 8 digits past 4 GiB, and checks each against its trailer.
int check_streamscan(const std::string& program, const std::string& folder) {
    constexpr std::uint64_t FOUR_GIB = std::uint64_t{1} << 32;
    constexpr std::uint64_t FILE_SIZE = FOUR_GIB + (std::uint64_t{1} << 20);
    constexpr std::array<std::uint64_t, 3> MEMBER_OFFSETS = {0x1000, FOUR_GIB - 0x100, FOUR_GIB + 0x12345};
    constexpr std::size_t GZIP_HEADER_SIZE = 10;  // no optional fields

    std::string text;
    for (TextSource source{{0x5EED5EED5EEDu}, {}, 0}; text.size() < 1000;)
        text += static_cast<char>(source.next());
    std::vector<LzItem> items = literals(text);
    for (int i = 0; i < 50; ++i) items.push_back(match(258, 1000));
    BitWriter writer;
    put_fixed_block(writer, true, items);
    std::vector<std::uint8_t> decoded(text.begin(), text.end());
    for (int i = 0; i < 50 * 258; ++i) decoded.push_back(decoded[decoded.size() - 1000]);
    const std::vector<std::uint8_t> member = gzip_member_bytes(
        writer.bytes, {crc32(decoded), static_cast<std::uint32_t>(decoded.size())});

    const std::string path = folder + "/sparse.bin";
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    bool written = fd >= 0 && ftruncate(fd, static_cast<off_t>(FILE_SIZE)) == 0;
    for (const std::uint64_t offset : MEMBER_OFFSETS)
        written = written && pwrite(fd, member.data(), member.size(), static_cast<off_t>(offset)) ==
                                 static_cast<ssize_t>(member.size());
    if (fd >= 0) close(fd);
    if (!written) {
        std::fprintf(stderr, "cannot write the sparse file %s\n", path.c_str());
        unlink(path.c_str());
        return 2;
    }

    const ProgramResult result = run_program(program, {path});
    unlink(path.c_str());
    std::string expected;
    for (const std::uint64_t offset : MEMBER_OFFSETS) {
        char line[160];
        std::snprintf(line, sizeof line, "kind=gzip offset=%08llX length=%08zX d.size=%zu check=ok\n",
                      static_cast<unsigned long long>(offset + GZIP_HEADER_SIZE), writer.bytes.size(),
                      decoded.size());
        expected += line;
    }
    check(result.exit_status == 0, "exit status " + std::to_string(result.exit_status) + ": " +
                                       result.standard_error);
    check(result.standard_output == expected,
          "lines:\n" + result.standard_output + "expected:\n" + expected);
    check(expected.find("offset=10001234F ") != std::string::npos, "the expected offset past 4 GiB");
    std::printf("streamscan: %llu-byte sparse file\n%s", static_cast<unsigned long long>(FILE_SIZE),
                result.standard_output.c_str());
    return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "rawinflate") return check_rawinflate(args[1], args[2]);
    if (args.size() == 5 && args[0] == "lztokens")
        return check_lztokens(args[1], args[2], std::stoull(args[3]), args[4]);
    if (args.size() == 3 && args[0] == "streamscan") return check_streamscan(args[1], args[2]);
    std::fprintf(stderr,
                 "usage: huge_inputs rawinflate <program> <folder>\n"
                 "       huge_inputs lztokens <program> <folder> <bytes> <level>\n"
                 "       huge_inputs streamscan <program> <folder>\n");
    return 2;
}
