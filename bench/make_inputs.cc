// make_inputs <folder>: writes the benchmark inputs into folder, the same bytes on every run
// on a given machine: text decoded from the machine's gzip members with rawinflate, the
// executables of /usr/bin, long runs, noise, and DEFLATE streams of the last three made with
// lztokens and the test stream writer, and for streamscan the machine's gzip, jar and PNG
// files concatenated, with the streams it finds there cut out. Every stream is checked by
// decoding it again.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>

#include "generated_data.h"
#include "input_names.h"
#include "program_runner.h"
#include "scan_inputs.h"
#include "text_sources.h"
#include "token_streams.h"

using namespace test_support;

namespace {

constexpr std::size_t MIB = 1 << 20;
// Sizes that keep a whole run of the suite within minutes on two cores.
constexpr std::size_t TEXT_SIZE = 32 * MIB;
constexpr std::size_t MAN_TEXT_SIZE = 8 * MIB;
constexpr std::size_t MEMBER_SET_SIZE = 64 * MIB;
// Smaller members would time the program's start more than its decoding.
constexpr std::uintmax_t MIN_MEMBER_FILE_SIZE = 128 * 1024;
constexpr std::size_t BINARY_SIZE = 64 * MIB;
constexpr std::size_t RUNS_SIZE = 128 * MIB;
// A little over 100 MiB, so that a 100 MiB range can be cut from it past a 1 MiB offset.
constexpr std::size_t RANDOM_SIZE = 101 * MIB;

constexpr std::uint64_t TEXT_SEED = 1;
constexpr std::uint64_t RUNS_SEED = 2;
constexpr std::uint64_t RANDOM_SEED = 3;
constexpr const char* TOKENIZE_LEVEL = "3";

const std::filesystem::path SHARE_FOLDER = "/usr/share";
const std::filesystem::path MAN_FOLDER = "/usr/share/man";
const std::filesystem::path EXECUTABLE_FOLDER = "/usr/bin";

struct TextInputs {
    std::vector<std::uint8_t> man_text;
    std::vector<std::uint8_t> doc_text;
    std::size_t members = 0;
    std::uint64_t member_bytes = 0;
    std::vector<std::string> mismatches;
};

// Larger files first, ties in path order, so that the choice is the same on every run.
bool larger_first(const GzipFile& a, const GzipFile& b) {
    return a.size != b.size ? a.size > b.size : a.path < b.path;
}

void write_bytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void append_up_to(std::vector<std::uint8_t>& text, std::span<const std::uint8_t> bytes, std::size_t cap) {
    const std::size_t take = std::min(bytes.size(), cap - std::min(cap, text.size()));
    text.insert(text.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
}

// The largest English man pages until MAN_TEXT_SIZE bytes: few program runs for the text.
void collect_man_text(const std::filesystem::path& scratch, TextInputs& inputs) {
    std::vector<GzipFile> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(MAN_FOLDER, error)) {
        if (!entry.is_directory() || !entry.path().filename().string().starts_with("man")) continue;
        const std::vector<GzipFile> section = gzip_files(entry.path(), {});
        files.insert(files.end(), section.begin(), section.end());
    }
    std::sort(files.begin(), files.end(), larger_first);
    const std::string stream = (scratch / "man.deflate").string();
    for (const GzipFile& file : files) {
        if (inputs.man_text.size() >= MAN_TEXT_SIZE) break;
        const MemberResult result =
            decode_gzip_file(file.path, RAWINFLATE_PROGRAM, stream, (scratch / "man.out").string());
        if (result.outcome == MemberOutcome::MISMATCH) inputs.mismatches.push_back(file.path.string());
        if (result.member && looks_like_text(result.member->decoded))
            append_up_to(inputs.man_text, result.member->decoded, MAN_TEXT_SIZE);
    }
    std::filesystem::remove(stream);
}

// The largest distinct text members outside the man pages, until MEMBER_SET_SIZE decoded
// bytes: their streams are the real-text input of rawinflate, their text the rest of
// text.bin.
void collect_doc_members(const std::filesystem::path& folder, TextInputs& inputs) {
    const std::filesystem::path excluded[] = {MAN_FOLDER};
    std::vector<GzipFile> files = gzip_files(SHARE_FOLDER, excluded);
    std::sort(files.begin(), files.end(), larger_first);

    std::ofstream list(folder / MEMBER_LIST);
    std::set<std::pair<std::uint32_t, std::uint64_t>> seen;
    for (const GzipFile& file : files) {
        if (inputs.member_bytes >= MEMBER_SET_SIZE || file.size < MIN_MEMBER_FILE_SIZE) break;
        char name[32];
        std::snprintf(name, sizeof name, "member_%03zu.deflate", inputs.members);
        const std::filesystem::path stream = folder / MEMBER_FOLDER / name;
        const MemberResult result = decode_gzip_file(file.path, RAWINFLATE_PROGRAM, stream.string(),
                                                     (folder / "member.out").string());
        if (result.outcome == MemberOutcome::MISMATCH) inputs.mismatches.push_back(file.path.string());
        const bool keep = result.member && looks_like_text(result.member->decoded) &&
                          seen.insert({result.member->crc32, result.member->decoded.size()}).second;
        if (!keep) {
            std::filesystem::remove(stream);
            continue;
        }
        list << name << ' ' << result.member->decoded.size() << ' ' << file.path.string() << '\n';
        append_up_to(inputs.doc_text, result.member->decoded, TEXT_SIZE);
        ++inputs.members;
        inputs.member_bytes += result.member->decoded.size();
    }
    if (!list.flush()) throw std::runtime_error("cannot write the member list");
}

// Decodes stream with rawinflate and fails unless it gives back data exactly.
void check_stream(const std::filesystem::path& stream, std::span<const std::uint8_t> data,
                  const std::filesystem::path& scratch) {
    const std::string decoded_path = (scratch / "check.out").string();
    const ProgramResult run = run_program(RAWINFLATE_PROGRAM, {stream.string(), decoded_path});
    const std::vector<std::uint8_t> decoded = read_file(decoded_path);
    std::filesystem::remove(decoded_path);
    if (run.exit_status != 0 || !std::equal(decoded.begin(), decoded.end(), data.begin(), data.end()))
        throw std::runtime_error("rawinflate does not give back the data of " + stream.string());
}

// data's tokens from lztokens, written as fixed-code blocks.
void write_token_stream(const std::filesystem::path& stream, const std::filesystem::path& data_path,
                        std::span<const std::uint8_t> data, const std::filesystem::path& scratch) {
    const std::string tokens_path = (scratch / "tokens.out").string();
    const ProgramResult run = run_program(LZTOKENS_PROGRAM, {data_path.string(), tokens_path, TOKENIZE_LEVEL});
    if (run.exit_status != 0) throw std::runtime_error("lztokens failed on " + data_path.string());
    const std::vector<std::uint8_t> tokens = read_file(tokens_path);
    std::filesystem::remove(tokens_path);
    write_bytes(stream, fixed_block_stream(tokens));
    check_stream(stream, data, scratch);
}

void report(const char* name, std::size_t bytes, const std::string& source) {
    std::printf("  %-15s %6.1f MB  %s\n", name, static_cast<double>(bytes) / 1e6, source.c_str());
    std::fflush(stdout);
}

void report_scan_inputs(const ScanInputsReport& scan) {
    report(SCAN_NOISE_FILE, scan.noise_bytes, std::string("the first 64 MiB of ") + RANDOM_FILE);
    report(STREAMS_FILE, scan.streams_bytes,
           std::to_string(scan.gzip_files) + " gzip, " + std::to_string(scan.jar_files) + " jar and " +
               std::to_string(scan.png_files) + " PNG files, path order");
    report(STREAM_LIST, scan.cut_decoded,
           std::to_string(scan.cut) + " of the " + std::to_string(scan.lines) +
               " streams streamscan finds, cut out (decoded size); left out: " +
               std::to_string(scan.several_parts) + " PNG streams of several IDAT chunks, " +
               std::to_string(scan.not_ok) + " not intact");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_inputs <folder>\n");
        return 2;
    }
    try {
        const std::filesystem::path folder = argv[1];
        // Only the member folder is cleared: every other input file is overwritten in full.
        std::filesystem::remove_all(folder / MEMBER_FOLDER);
        std::filesystem::create_directories(folder / MEMBER_FOLDER);

        TextInputs text_inputs;
        collect_doc_members(folder, text_inputs);
        report(MEMBER_LIST, text_inputs.member_bytes,
               std::to_string(text_inputs.members) + " gzip members from " + SHARE_FOLDER.string() +
                   " (decoded size)");
        collect_man_text(folder, text_inputs);
        for (const std::string& file : text_inputs.mismatches)
            std::printf("  note: %s does not decode to its trailer's size and CRC-32; left out\n", file.c_str());

        std::vector<std::uint8_t> text = std::move(text_inputs.man_text);
        append_up_to(text, text_inputs.doc_text, TEXT_SIZE);
        const std::size_t machine_text = text.size();
        append_up_to(text, generated_text(TEXT_SIZE - text.size(), TEXT_SEED), TEXT_SIZE);
        write_bytes(folder / TEXT_FILE, text);
        char text_source[96];
        std::snprintf(text_source, sizeof text_source, "%.1f MB man pages and docs, %.1f MB generated",
                      static_cast<double>(machine_text) / 1e6,
                      static_cast<double>(text.size() - machine_text) / 1e6);
        report(TEXT_FILE, text.size(), text_source);
        for (const auto& [level, name] : {std::pair{"3", TEXT_TOKENS_3}, std::pair{"9", TEXT_TOKENS_9}}) {
            const ProgramResult run = run_program(
                LZTOKENS_PROGRAM, {(folder / TEXT_FILE).string(), (folder / name).string(), level});
            if (run.exit_status != 0) throw std::runtime_error("lztokens failed on the text");
            report(name, std::filesystem::file_size(folder / name), std::string("lztokens ") + level + " of text.bin");
        }

        const std::vector<std::uint8_t> binary = executables(EXECUTABLE_FOLDER, BINARY_SIZE);
        write_bytes(folder / BINARY_FILE, binary);
        write_token_stream(folder / BINARY_STREAM, folder / BINARY_FILE, binary, folder);
        report(BINARY_FILE, binary.size(), "executables of " + EXECUTABLE_FOLDER.string() + ", name order");

        const std::vector<std::uint8_t> runs = long_runs(RUNS_SIZE, RUNS_SEED);
        write_bytes(folder / RUNS_FILE, runs);
        write_token_stream(folder / RUNS_STREAM, folder / RUNS_FILE, runs, folder);
        report(RUNS_FILE, runs.size(), "generated runs of 256 to 4096 bytes");

        const std::vector<std::uint8_t> noise = random_bytes(RANDOM_SIZE, RANDOM_SEED);
        write_bytes(folder / RANDOM_FILE, noise);
        write_bytes(folder / RANDOM_STREAM, stored_block_stream(noise));
        check_stream(folder / RANDOM_STREAM, noise, folder);
        report(RANDOM_FILE, noise.size(), "seeded generator, incompressible");

        report_scan_inputs(make_scan_inputs(folder, noise));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_inputs: %s\n", error.what());
        return 1;
    }
    return 0;
}
