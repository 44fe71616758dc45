// Raw streams cut out of the gzip members that this machine already holds, decoded and
// checked against the CRC-32 and size that their trailers record.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "checksums.h"
#include "gzip_member.h"
#include "rawinflate_check.h"

using namespace test_support;
using namespace scan;

namespace {

// Every k-th of the sorted candidates, so that the sample is the same on every run.
constexpr std::size_t SAMPLE_SIZE = REAL_STREAM_SAMPLE_SIZE;
// Files above this size are left out; under an emulator this keeps the suite fast.
constexpr std::uintmax_t SIZE_CAP = REAL_STREAM_SIZE_CAP;

std::vector<std::string> gzip_files_under(const std::vector<std::string>& roots) {
    std::vector<std::string> files;
    for (const std::string& root : roots) {
        std::error_code error;
        std::filesystem::recursive_directory_iterator it(
            root, std::filesystem::directory_options::skip_permission_denied, error);
        for (; !error && it != std::filesystem::recursive_directory_iterator();
             it.increment(error)) {
            // Links would only bring the same files twice.
            if (!it->is_regular_file(error) || it->is_symlink(error)) continue;
            if (it->path().extension() != ".gz" || it->file_size(error) > SIZE_CAP) continue;
            files.push_back(it->path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Input bytes the decoder consumed according to its lines: the bytes it fetched bit by bit,
// plus LEN, NLEN and data of every stored block.
std::size_t consumed_bytes(const std::string& lines) {
    std::istringstream in(lines);
    std::size_t total = 0;
    for (std::string line; std::getline(in, line);) {
        int type = 0, header = 0, data = 0, produced = 0;
        if (std::sscanf(line.c_str(), "type=%d h.size=%d c.size=%d d.size=%d", &type, &header,
                        &data, &produced) != 4)
            return 0;
        total += static_cast<std::size_t>(header + data + (type == 0 ? 4 + produced : 0));
    }
    return total;
}

TEST(RealStreams, GzipMembersOnTheMachineDecodeToTheirRecordedChecksum) {
    const std::vector<std::string> candidates =
        gzip_files_under({"/usr/share/doc", "/usr/share/man"});
    if (candidates.empty()) GTEST_SKIP() << "no gzip files under /usr/share/doc or /usr/share/man";
    const std::size_t step = std::max<std::size_t>(1, candidates.size() / SAMPLE_SIZE);

    std::size_t decoded = 0;
    std::size_t not_deflate = 0;
    for (std::size_t i = 0; i < candidates.size(); i += step) {
        const std::string& path = candidates[i];
        const std::vector<std::uint8_t> file = read_file(path);
        const std::optional<GzipMember> member = parse_gzip_member(file);
        if (!member) {
            ++not_deflate;
            continue;
        }
        SCOPED_TRACE(path);
        // Everything after the header: the stream ends wherever its final block ends.
        const Inflated result = inflate_stream(std::span(file).subspan(member->data_offset));
        ASSERT_EQ(result.run.exit_status, 0) << result.run.standard_error;

        // The first member's trailer follows its stream directly; for a file of one member it
        // is the file's last 8 bytes.
        const std::size_t stream_size = consumed_bytes(result.run.standard_output);
        const std::optional<GzipTrailer> trailer =
            gzip_trailer_at(file, member->data_offset + stream_size);
        ASSERT_TRUE(trailer.has_value()) << "the lines account for " << stream_size << " bytes";
        EXPECT_EQ(crc32(result.output), trailer->crc32);
        EXPECT_EQ(static_cast<std::uint32_t>(result.output.size()), trailer->isize);
        ++decoded;
    }
    std::printf("%zu gzip files decoded, %zu not DEFLATE members, from %zu candidates\n", decoded,
                not_deflate, candidates.size());
    EXPECT_GT(decoded, 0u);
}

}  // namespace
