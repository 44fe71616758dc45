// Finding, cutting out and checking the machine's gzip members.
#include "text_sources.h"

#include <algorithm>

#include "checksums.h"
#include "gzip_member.h"
#include "program_runner.h"

using namespace test_support;
using namespace scan;

namespace {

// Text allows one stray control character in a thousand (a form feed too many, a NUL in a
// changelog); PDF streams and tar headers have far more.
constexpr std::size_t CONTROL_BYTES_PER_TEXT_BYTE = 1000;

bool is_text_control(std::uint8_t byte) {
    switch (byte) {
        case '\t': case '\n': case '\f': case '\r': case 0x1B: return false;
        default: return byte < 0x20 || byte == 0x7F;
    }
}

}  // namespace

std::vector<GzipFile> gzip_files(const std::filesystem::path& root,
                                 std::span<const std::filesystem::path> excluded) {
    std::vector<GzipFile> files;
    std::error_code error;
    auto entry = std::filesystem::recursive_directory_iterator(
        root, std::filesystem::directory_options::skip_permission_denied, error);
    for (; !error && entry != std::filesystem::recursive_directory_iterator(); entry.increment(error)) {
        if (entry->is_directory() &&
            std::find(excluded.begin(), excluded.end(), entry->path()) != excluded.end()) {
            entry.disable_recursion_pending();
            continue;
        }
        if (entry->is_symlink() || !entry->is_regular_file() || entry->path().extension() != ".gz")
            continue;
        files.push_back({entry->path(), entry->file_size()});
    }
    std::sort(files.begin(), files.end(),
              [](const GzipFile& a, const GzipFile& b) { return a.path < b.path; });
    return files;
}

MemberResult decode_gzip_file(const std::filesystem::path& file, const std::string& rawinflate,
                              const std::string& stream_path, const std::string& decoded_path) {
    const std::vector<std::uint8_t> bytes = read_file(file.string());
    const std::optional<GzipMember> member = parse_gzip_member(bytes);
    if (!member) return {MemberOutcome::NOT_GZIP, std::nullopt};
    const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(member->data_offset);
    write_file(stream_path,
               std::vector<std::uint8_t>(first, first + static_cast<std::ptrdiff_t>(member->data_length)));

    const ProgramResult run = run_program(rawinflate, {stream_path, decoded_path});
    std::vector<std::uint8_t> decoded = read_file(decoded_path);
    std::filesystem::remove(decoded_path);
    const bool matches = run.exit_status == 0 &&
                         static_cast<std::uint32_t>(decoded.size()) == member->last_trailer.isize &&
                         crc32(decoded) == member->last_trailer.crc32;
    if (!matches) return {MemberOutcome::MISMATCH, std::nullopt};
    return {MemberOutcome::DECODED,
            DecodedMember{member->data_length, member->last_trailer.crc32, std::move(decoded)}};
}

bool looks_like_text(std::span<const std::uint8_t> bytes) {
    const auto controls = static_cast<std::size_t>(std::count_if(bytes.begin(), bytes.end(), is_text_control));
    return controls * CONTROL_BYTES_PER_TEXT_BYTE <= bytes.size();
}
