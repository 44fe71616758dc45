// byteslice through its command line: the output file, the two lines, standard error and
// the exit status, on regular files, FIFOs, sparse files past 2 GiB and failing devices.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "program_runner.h"

using namespace test_support;

namespace {

constexpr std::size_t MEBIBYTE = 1048576;

ProgramResult byteslice(const std::vector<std::string>& arguments) {
    return run_program(BYTESLICE_PROGRAM, arguments);
}

// Pseudo-random bytes, so a range that is off by a single byte shows.
std::vector<std::uint8_t> patterned_bytes(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = 12345;
    for (std::uint8_t& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 23);
    }
    return bytes;
}

std::vector<std::uint8_t> range_of(const std::vector<std::uint8_t>& bytes, std::size_t offset,
                                   std::size_t length) {
    const std::size_t begin = std::min(offset, bytes.size());
    // Not begin + length: that wraps on 32-bit platforms for the longest lengths.
    const std::size_t end = begin + std::min(length, bytes.size() - begin);
    return std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(begin),
                                     bytes.begin() + static_cast<std::ptrdiff_t>(end));
}

struct RangeCase {
    const char* name;
    const char* offset_argument;
    const char* length_argument;
    std::size_t offset;  // the values the arguments stand for
    std::size_t length;
    const char* lines;
};

constexpr std::size_t INPUT_SIZE = 3 * MEBIBYTE + 7;

const RangeCase RANGE_CASES[] = {
    {"LengthZero", "10", "0", 0x10, 0,
     "offset = 00000010 16\nlength = 00000000 0\n"},
    {"RangeInsideInput", "10", "20", 0x10, 0x20,
     "offset = 00000010 16\nlength = 00000020 32\n"},
    {"RangePastEnd", "300000", "10", 0x300000, 0x10,
     "offset = 00300000 3145728\nlength = 00000010 16\n"},
    {"OffsetPastEnd", "400000", "10", 0x400000, 0x10,
     "offset = 00400000 4194304\nlength = 00000010 16\n"},
    {"ExactlyOneMebibyte", "3", "100000", 3, MEBIBYTE,
     "offset = 00000003 3\nlength = 00100000 1048576\n"},
    {"OneMebibytePlusOne", "3", "100001", 3, MEBIBYTE + 1,
     "offset = 00000003 3\nlength = 00100001 1048577\n"},
    {"EightDigitsWithLeadingZeros", "00000010", "00000020", 0x10, 0x20,
     "offset = 00000010 16\nlength = 00000020 32\n"},
    {"HexPrefixNotCountedAsDigits", "0x00000010", "0X1f", 0x10, 0x1F,
     "offset = 00000010 16\nlength = 0000001F 31\n"},
    {"LowerCaseDigits", "abc", "1f", 0xABC, 0x1F,
     "offset = 00000ABC 2748\nlength = 0000001F 31\n"},
    {"TopBitPrintsNegative", "80000000", "ffffffff", 0x80000000, 0xFFFFFFFF,
     "offset = 80000000 -2147483648\nlength = FFFFFFFF -1\n"},
    {"WholeFileWithLargestLength", "0", "FFFFFFFF", 0, 0xFFFFFFFF,
     "offset = 00000000 0\nlength = FFFFFFFF -1\n"},
};

void PrintTo(const RangeCase& c, std::ostream* out) { *out << c.name; }

class BytesliceRange : public testing::TestWithParam<RangeCase> {};

TEST_P(BytesliceRange, OutputHoldsTheBytesOfTheRangeThatExist) {
    const RangeCase& c = GetParam();
    TempDir dir;
    const std::vector<std::uint8_t> input = patterned_bytes(INPUT_SIZE);
    write_file(dir.file("in"), input);

    const ProgramResult result =
        byteslice({dir.file("in"), dir.file("out"), c.offset_argument, c.length_argument});

    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.standard_output, c.lines);
    EXPECT_EQ(result.standard_error, "");
    EXPECT_TRUE(read_file(dir.file("out")) == range_of(input, c.offset, c.length))
        << "output differs from bytes " << c.offset << " + " << c.length << " of the input";
}

INSTANTIATE_TEST_SUITE_P(Byteslice, BytesliceRange, testing::ValuesIn(RANGE_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Byteslice, ArgumentsAfterTheFourthAreIgnored) {
    TempDir dir;
    write_file(dir.file("in"), patterned_bytes(64));
    const ProgramResult result =
        byteslice({dir.file("in"), dir.file("out"), "8", "4", "extra"});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_TRUE(read_file(dir.file("out")) == range_of(patterned_bytes(64), 8, 4));
}

TEST(Byteslice, SilentFailuresLeaveNoOutputFile) {
    TempDir dir;
    write_file(dir.file("in"), patterned_bytes(64));
    const struct {
        const char* what;
        std::vector<std::string> arguments;
    } cases[] = {
        {"three arguments", {dir.file("in"), dir.file("out"), "0"}},
        {"missing input", {dir.file("no-such-input"), dir.file("out"), "0", "10"}},
        {"uncreatable output", {dir.file("in"), dir.file("no-such-dir/out"), "0", "10"}},
    };
    for (const auto& c : cases) {
        const ProgramResult result = byteslice(c.arguments);
        EXPECT_EQ(result.exit_status, 1) << c.what;
        EXPECT_EQ(result.standard_output, "") << c.what;
        EXPECT_EQ(result.standard_error, "") << c.what;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out"))) << c.what;
    }
}

TEST(Byteslice, ArgumentThatIsNotAHexNumberFailsWithOneLine) {
    // Each was once read as some other number, or as the digits before its first bad character.
    const char* const refused[] = {"100000000", "000000001", "0x123456789", "-1", "+1", "1g",
                                   " 1", "1 ", "zz", "", "0x", "0x-1", "0x0x1", "1.5"};
    for (const char* const argument : refused) {
        for (const bool as_offset : {true, false}) {
            TempDir dir;
            write_file(dir.file("in"), patterned_bytes(64));
            const ProgramResult result = byteslice({dir.file("in"), dir.file("out"),
                                                    as_offset ? argument : "10",
                                                    as_offset ? "10" : argument});
            const std::string what =
                std::string(as_offset ? "offset \"" : "length \"") + argument + "\"";
            EXPECT_EQ(result.exit_status, 1) << what;
            // The offset line is printed as soon as the offset is read.
            EXPECT_EQ(result.standard_output, as_offset ? "" : "offset = 00000010 16\n") << what;
            EXPECT_EQ(result.standard_error, std::string("byteslice: ") + argument +
                                                 ": not a hexadecimal number of at most 8 digits\n")
                << what;
            // The output is created before the range is looked at.
            EXPECT_TRUE(read_file(dir.file("out")).empty()) << what;
        }
    }
}

TEST(Byteslice, WriteErrorEndsWithStatusOneAndOneLine) {
    TempDir dir;
    write_file(dir.file("in"), patterned_bytes(3 * MEBIBYTE));
    // A small range fails when the output is flushed, a large one in the copy itself.
    const struct {
        const char* length;
        const char* lines;
    } cases[] = {
        {"10", "offset = 00000000 0\nlength = 00000010 16\n"},
        {"200000", "offset = 00000000 0\nlength = 00200000 2097152\n"},
    };
    for (const auto& c : cases) {
        const ProgramResult result = byteslice({dir.file("in"), "/dev/full", "0", c.length});
        EXPECT_EQ(result.exit_status, 1) << c.length;
        EXPECT_EQ(result.standard_output, c.lines);
        EXPECT_EQ(result.standard_error,
                  std::string("byteslice: /dev/full: ") + std::strerror(ENOSPC) + "\n");
    }
}

TEST(Byteslice, ReadErrorIsNotMistakenForEndOfInput) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("folder"));
    const ProgramResult result = byteslice({dir.file("folder"), dir.file("out"), "0", "10"});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.standard_error,
              "byteslice: " + dir.file("folder") + ": " + std::strerror(EISDIR) + "\n");
}

// Runs byteslice with a FIFO as its input, fed by a child process the way a shell pipe
// would be. A process, not a thread: under qemu-user a multi-threaded test process can hang
// in fork, and the runner forks to start byteslice.
// With through_standard_input the FIFO is byteslice's standard input, named "-".
ProgramResult byteslice_from_fifo(const TempDir& dir, const std::vector<std::uint8_t>& bytes,
                                  const std::string& offset, const std::string& length,
                                  bool through_standard_input = false) {
    const std::string fifo = dir.file("fifo");
    if (mkfifo(fifo.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
    const pid_t writer = fork();
    if (writer < 0) throw std::runtime_error("fork failed");
    if (writer == 0) {
        // byteslice stops reading once its range is out: the write then fails with EPIPE
        // instead of raising SIGPIPE.
        signal(SIGPIPE, SIG_IGN);
        const int fd = open(fifo.c_str(), O_WRONLY);
        for (std::size_t done = 0; fd >= 0 && done < bytes.size();) {
            const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
            if (written <= 0) break;
            done += static_cast<std::size_t>(written);
        }
        _exit(0);
    }
    const ProgramResult result =
        through_standard_input
            ? run_program(BYTESLICE_PROGRAM, {"-", dir.file("out"), offset, length}, {fifo, ""})
            : byteslice({fifo, dir.file("out"), offset, length});
    // Should byteslice not have opened the FIFO, a reader that comes and goes releases the
    // writer from its open; its next write then fails for want of a reader.
    const int release = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    if (release >= 0) close(release);
    waitpid(writer, nullptr, 0);
    return result;
}

TEST(Byteslice, FifoInputIsSkippedByReadingToTheOffset) {
    const std::vector<std::uint8_t> input = patterned_bytes(3 * MEBIBYTE);
    const struct {
        const char* offset;
        const char* length;
        std::size_t offset_value;
        std::size_t length_value;
    } cases[] = {
        {"180003", "100005", 0x180003, 0x100005},  // a skip and a copy of two chunks each
        {"0", "20", 0, 0x20},
        {"2FFFF0", "100", 0x2FFFF0, 0x100},        // runs past the end
        {"300000", "10", 0x300000, 0x10},          // starts exactly at the end
        {"400000", "10", 0x400000, 0x10},          // starts past the end
    };
    for (const auto& c : cases) {
        for (const bool through_standard_input : {false, true}) {
            TempDir dir;
            const ProgramResult result =
                byteslice_from_fifo(dir, input, c.offset, c.length, through_standard_input);
            const std::string what =
                std::string(through_standard_input ? "- " : "fifo ") + c.offset;
            EXPECT_EQ(result.exit_status, 0) << what;
            EXPECT_EQ(result.standard_error, "") << what;
            const std::vector<std::uint8_t> expected = range_of(input, c.offset_value, c.length_value);
            EXPECT_TRUE(read_file(dir.file("out")) == expected) << what << " + " << c.length;
        }
    }
}

// A file of 4 GiB + 16 bytes that is all hole except for markers: offsets past 2 GiB must
// reach them by positioning, not by reading from the start.
TEST(Byteslice, OffsetsPastTwoGibibytesArePositioned) {
    TempDir dir;
    const std::string path = dir.file("sparse");
    const std::uint64_t size = 0x100000010;
    const std::vector<std::uint8_t> marker = patterned_bytes(32);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(size)), 0) << "no sparse files here";
    ASSERT_EQ(pwrite(fd, marker.data(), 16, 0x80000000), 16);
    ASSERT_EQ(pwrite(fd, marker.data() + 16, 16, 0xFFFFFFF8), 16);
    close(fd);

    const ProgramResult at_two = byteslice({path, dir.file("two"), "80000000", "10"});
    EXPECT_EQ(at_two.exit_status, 0);
    EXPECT_EQ(at_two.standard_output, "offset = 80000000 -2147483648\nlength = 00000010 16\n");
    EXPECT_TRUE(read_file(dir.file("two")) == range_of(marker, 0, 16));

    // From 8 bytes before 4 GiB across it to the end of the file.
    const ProgramResult at_four = byteslice({path, dir.file("four"), "FFFFFFF8", "100"});
    EXPECT_EQ(at_four.exit_status, 0);
    std::vector<std::uint8_t> expected = range_of(marker, 16, 16);
    expected.resize(0x18, 0);
    EXPECT_TRUE(read_file(dir.file("four")) == expected);
}

}  // namespace
