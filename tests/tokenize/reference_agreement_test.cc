// lztokens against the reference parse, token for token: generated inputs of sizes around and
// across the 65,536-byte reads, files found on this machine, and copies planted at the
// places where one read hands over to the next.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "generated_inputs.h"
#include "lztokens_checks.h"
#include "reference_parse.h"
#include "token_replayer.h"

using namespace test_support;

namespace {

struct GeneratedCase {
    InputKind kind;
    std::size_t size;
    std::vector<int> levels;
};

void expect_reference_parse_of(const std::vector<GeneratedCase>& cases) {
    for (const GeneratedCase& the_case : cases) {
        const Bytes input = generated_input(the_case.kind, the_case.size, the_case.size);
        for (const int level : the_case.levels) {
            const TokenRun run = run_lztokens_at_level(input, level);
            const std::string name = kind_name(the_case.kind) + " input of " +
                                     std::to_string(the_case.size) + " bytes at level " +
                                     std::to_string(level);
            EXPECT_TRUE(ran_cleanly(run, input.size())) << name;
            EXPECT_TRUE(is_reference_parse(run.stream, input, level)) << name;
        }
    }
}

TEST(LztokensParse, AgreesWithTheReferenceOnTinyInputs) {
    expect_reference_parse_of({{InputKind::runs, 1, {0, 3, 9}},
                               {InputKind::runs, 2, {0, 3, 9}},
                               {InputKind::runs, 3, {0, 3, 9}}});
}

TEST(LztokensParse, AgreesWithTheReferenceAroundOneRead) {
    expect_reference_parse_of({{InputKind::text, 65'535, {0, 5}},
                               {InputKind::mixed, 65'536, {3, 8}},
                               {InputKind::runs, 65'537, {2, 9}}});
}

// Ending with an exact multiple of the read size, whose last read returns nothing.
TEST(LztokensParse, AgreesWithTheReferenceAcrossSeveralReads) {
    expect_reference_parse_of({{InputKind::random_bytes, 100'000, {0}},
                               {InputKind::text, 140'000, {7}},
                               {InputKind::runs, 140'000, {9}},
                               {InputKind::mixed, 262'144, {4}}});
}

TEST(LztokensParse, AgreesWithTheReferenceAtEveryLevel) {
    expect_reference_parse_of({{InputKind::mixed, 70'000, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}}});
}

bool is_elf_program(const Bytes& start) {
    return start.size() >= 4 && start[0] == 0x7F && start[1] == 'E' && start[2] == 'L' &&
           start[3] == 'F';
}

// Plain text: no zero byte and hardly anything but printable ASCII and white space.
bool is_text(const Bytes& start) {
    const auto texty = std::ranges::count_if(start, [](std::uint8_t byte) {
        return (byte >= 0x20 && byte < 0x7F) || byte == '\n' || byte == '\t' || byte == '\r';
    });
    return !start.empty() && std::ranges::find(start, 0) == start.end() &&
           texty * 100 >= static_cast<long>(start.size()) * 98;
}

bool is_gzip_member(const Bytes& start) {
    return start.size() >= 2 && start[0] == 0x1F && start[1] == 0x8B;
}

Bytes first_bytes(const std::filesystem::path& path, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    Bytes bytes(count);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

struct MachineFile {
    std::string name;  // what the file is, for messages
    std::vector<std::string> folders;  // searched in this order; the first that has one wins
    std::uintmax_t smallest;
    std::uintmax_t largest;
    std::function<bool(const Bytes&)> looks_right;
    std::vector<int> levels;
};

// The first file, in path order, under the first of the folders that has one whose size and
// first bytes fit: the same file on every run on one machine.
std::string find_file(const MachineFile& wanted) {
    for (const std::string& folder : wanted.folders) {
        std::vector<std::filesystem::path> paths;
        std::error_code error;
        for (auto entry = std::filesystem::recursive_directory_iterator(
                 folder, std::filesystem::directory_options::skip_permission_denied, error);
             !error && entry != std::filesystem::recursive_directory_iterator();
             entry.increment(error)) {
            std::error_code ignored;
            if (entry->is_regular_file(ignored) && !entry->is_symlink(ignored) &&
                entry->file_size(ignored) >= wanted.smallest &&
                entry->file_size(ignored) <= wanted.largest)
                paths.push_back(entry->path());
        }
        std::ranges::sort(paths);
        for (const std::filesystem::path& path : paths)
            if (wanted.looks_right(first_bytes(path, 4096))) return path.string();
    }
    return {};
}

TEST(LztokensParse, AgreesWithTheReferenceOnFilesOfThisMachine) {
    const std::vector<MachineFile> files = {
        {"a small program", {"/usr/bin"}, 20'000, 60'000, is_elf_program, {1, 3, 6, 9}},
        {"a program across reads", {"/usr/bin"}, 150'000, 260'000, is_elf_program, {5}},
        // A minimal system has no large text among its docs, but CMake's modules are there.
        {"a text across reads", {"/usr/share/doc", "/usr/share"}, 150'000, 260'000, is_text, {8}},
        {"a gzip member", {"/usr/share/doc"}, 70'000, 200'000, is_gzip_member, {2}},
    };
    for (const MachineFile& file : files) {
        const std::string path = find_file(file);
        std::string folders;
        for (const std::string& folder : file.folders)
            folders += (folders.empty() ? "" : " or ") + folder;
        EXPECT_FALSE(path.empty()) << "no " << file.name << " under " << folders;
        if (path.empty()) continue;
        const Bytes input = read_file(path);
        for (const int level : file.levels) {
            const TokenRun run = run_lztokens_on_file(path, {std::to_string(level)});
            EXPECT_TRUE(ran_cleanly(run, input.size())) << path << " at level " << level;
            EXPECT_TRUE(is_reference_parse(run.stream, input, level)) << path;
        }
    }
}

TEST(LztokensParse, HandOversLeaveNoTraceInTheStream) {
    // The first read hands over positions up to 65,275, each later one 65,536 more.
    const std::uint64_t second = FIRST_HANDOVER_END;
    const std::uint64_t third = second + READ_SIZE;
    const std::vector<PlantedCopy> copies = {
        {second - 1, 1'000, 100},  // the last position handed over; runs into held-back bytes
        {second + 725, 600, 100},  // copies bytes that were held back
        {third, 32'505, 40},       // the first held-back byte, copied from carried history
        {third + 1'000, 32'505, 258},
    };
    const Bytes input = random_with_copies(140'000, 3, copies);
    for (const int level : {0, 3, 9}) {
        const Replay expected = replay_tokens(reference_parse(input, level));
        for (const PlantedCopy& copy : copies)
            ASSERT_EQ(token_covering(expected, copy.position),
                      "match (" + std::to_string(copy.distance) + ", " +
                          std::to_string(copy.length) + ") from " + std::to_string(copy.position))
                << "the input does not plant what it should at level " << level;
        const TokenRun run = run_lztokens_at_level(input, level);
        EXPECT_TRUE(ran_cleanly(run, input.size())) << "level " << level;
        EXPECT_TRUE(is_reference_parse(run.stream, input, level));
    }
}

}  // namespace
