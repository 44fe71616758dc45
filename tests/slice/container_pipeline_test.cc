// The kit end to end on a gzip member that the machine already holds: byteslice cuts its
// raw stream out, rawinflate decodes it to the CRC-32 and size the trailer records, and
// lztokens' token stream of the decoded bytes replays to those bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "checksums.h"
#include "gzip_member.h"
#include "program_runner.h"
#include "token_replayer.h"

using namespace test_support;
using namespace scan;

namespace {

// Big enough for several blocks and more than one 64 KiB buffer of decoded bytes, small
// enough to stay quick under an emulator.
constexpr std::uintmax_t SMALLEST_MEMBER = 20 * 1024;
constexpr std::uintmax_t LARGEST_MEMBER = 128 * 1024;

// The first gzip file in name order within the size bounds, so every run takes the same one.
std::optional<std::string> gzip_file_on_the_machine() {
    std::vector<std::string> files;
    for (const char* root : {"/usr/share/doc", "/usr/share/man"}) {
        std::error_code error;
        std::filesystem::recursive_directory_iterator it(
            root, std::filesystem::directory_options::skip_permission_denied, error);
        for (; !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (!it->is_regular_file(error) || it->is_symlink(error)) continue;
            const std::uintmax_t size = it->file_size(error);
            if (it->path().extension() == ".gz" && size >= SMALLEST_MEMBER && size <= LARGEST_MEMBER)
                files.push_back(it->path().string());
        }
    }
    if (files.empty()) return std::nullopt;
    return *std::min_element(files.begin(), files.end());
}

std::string hex(std::size_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%zX", value);
    return text;
}

TEST(ContainerPipeline, GzipMemberCutDecodedAndTokenizedRoundTrips) {
    const std::optional<std::string> path = gzip_file_on_the_machine();
    if (!path) GTEST_SKIP() << "no gzip member of 20 to 128 KiB under /usr/share/doc or /usr/share/man";
    SCOPED_TRACE(*path);
    const std::vector<std::uint8_t> file = read_file(*path);
    const std::optional<GzipMember> member = parse_gzip_member(file);
    ASSERT_TRUE(member.has_value()) << "not a gzip member with DEFLATE data";

    TempDir dir;
    const ProgramResult cut = run_program(
        BYTESLICE_PROGRAM,
        {*path, dir.file("raw"), hex(member->data_offset), hex(member->data_length)});
    ASSERT_EQ(cut.exit_status, 0) << cut.standard_error;
    const std::vector<std::uint8_t> raw = read_file(dir.file("raw"));
    ASSERT_TRUE(std::ranges::equal(raw, std::span(file).subspan(member->data_offset,
                                                                 member->data_length)));

    const ProgramResult inflated = run_program(RAWINFLATE_PROGRAM, {dir.file("raw"), dir.file("data")});
    ASSERT_EQ(inflated.exit_status, 0) << inflated.standard_error;
    const std::vector<std::uint8_t> data = read_file(dir.file("data"));
    EXPECT_EQ(crc32(data), member->last_trailer.crc32);
    EXPECT_EQ(static_cast<std::uint32_t>(data.size()), member->last_trailer.isize);

    const ProgramResult tokenized = run_program(LZTOKENS_PROGRAM, {dir.file("data"), dir.file("tokens")});
    ASSERT_EQ(tokenized.exit_status, 0) << tokenized.standard_error;
    const Replay replay = replay_tokens(read_file(dir.file("tokens")));
    EXPECT_EQ(replay.error, "");
    EXPECT_TRUE(replay.bytes == data) << "the tokens rebuild " << replay.bytes.size()
                                      << " bytes of " << data.size();
}

}  // namespace
