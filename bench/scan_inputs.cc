// The machine's gzip, jar and PNG files concatenated, scanned once with streamscan, and every
// intact stream of one piece cut out of the scan's lines and decoded once with rawinflate.
#include "scan_inputs.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "gzip_member.h"
#include "input_names.h"
#include "program_runner.h"

using namespace test_support;

namespace {

constexpr std::size_t MIB = 1 << 20;
constexpr std::size_t SCAN_NOISE_SIZE = 64 * MIB;

const std::filesystem::path CONTAINER_ROOT = "/usr";

// Per kind: the smallest file taken, and how many bytes of such files at most. Small files
// would time rawinflate's start more than its decoding; jars hold many small entries, so they
// get fewer bytes, which keeps the number of rawinflate runs near a thousand.
struct KindChoice {
    const char* extension;
    std::uintmax_t min_file_size;
    std::uintmax_t budget;
};
constexpr KindChoice GZIP_CHOICE = {".gz", 128 * 1024, 32 * MIB};
constexpr KindChoice JAR_CHOICE = {".jar", 64 * 1024, 2 * MIB};
constexpr KindChoice PNG_CHOICE = {".png", 16 * 1024, 8 * MIB};

struct PlacedFile {
    std::filesystem::path path;
    std::uint64_t offset;  // in the concatenated file
    std::uint64_t size;
    const KindChoice* kind;
};

struct ScanLine {
    std::string kind;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    std::uint64_t decoded_size = 0;
    std::string check;
    unsigned parts = 0;
};

void write_bytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Path order, and within each kind the files in path order until its budget; a file that
// would pass the budget is left out and smaller ones after it may still fit.
std::vector<PlacedFile> choose_files() {
    const KindChoice* const kinds[] = {&GZIP_CHOICE, &JAR_CHOICE, &PNG_CHOICE};
    std::vector<PlacedFile> found;
    std::error_code error;
    auto entry = std::filesystem::recursive_directory_iterator(
        CONTAINER_ROOT, std::filesystem::directory_options::skip_permission_denied, error);
    for (; !error && entry != std::filesystem::recursive_directory_iterator(); entry.increment(error)) {
        if (entry->is_symlink() || !entry->is_regular_file()) continue;
        for (const KindChoice* kind : kinds)
            if (entry->path().extension() == kind->extension && entry->file_size() >= kind->min_file_size)
                found.push_back({entry->path(), 0, entry->file_size(), kind});
    }
    std::sort(found.begin(), found.end(),
              [](const PlacedFile& a, const PlacedFile& b) { return a.path < b.path; });
    std::map<const KindChoice*, std::uintmax_t> taken;
    std::vector<PlacedFile> chosen;
    for (const PlacedFile& file : found) {
        if (taken[file.kind] + file.size > file.kind->budget) continue;
        taken[file.kind] += file.size;
        chosen.push_back(file);
    }
    return chosen;
}

std::vector<ScanLine> parse_lines(const std::string& lines) {
    std::vector<ScanLine> parsed;
    std::istringstream in(lines);
    for (std::string text; std::getline(in, text);) {
        ScanLine line;
        std::istringstream fields(text);
        for (std::string field; fields >> field;) {
            const std::size_t equals = field.find('=');
            const std::string key = field.substr(0, equals);
            const std::string value = field.substr(equals + 1);
            if (key == "kind") line.kind = value;
            else if (key == "offset") line.offset = std::stoull(value, nullptr, 16);
            else if (key == "length") line.length = std::stoull(value, nullptr, 16);
            else if (key == "d.size") line.decoded_size = std::stoull(value);
            else if (key == "check") line.check = value;
            else if (key == "parts") line.parts = static_cast<unsigned>(std::stoul(value));
        }
        parsed.push_back(line);
    }
    return parsed;
}

bool has_line(const std::vector<ScanLine>& lines, const std::string& kind, std::uint64_t first,
              std::uint64_t end) {
    return std::any_of(lines.begin(), lines.end(), [&](const ScanLine& line) {
        return line.kind == kind && line.offset >= first && line.offset < end;
    });
}

// Every gzip file's member where our own header parser puts its stream, and at least one
// line of the right kind inside each jar and PNG file.
void check_found(const std::vector<PlacedFile>& files, std::span<const std::uint8_t> bytes,
                 const std::vector<ScanLine>& lines) {
    for (const PlacedFile& file : files) {
        const std::uint64_t end = file.offset + file.size;
        bool found = false;
        if (file.kind == &GZIP_CHOICE) {
            const std::optional<GzipMember> member =
                parse_gzip_member(bytes.subspan(file.offset, file.size));
            const std::uint64_t start = member ? file.offset + member->data_offset : end;
            found = has_line(lines, "gzip", start, start + 1);
        } else {
            found = has_line(lines, file.kind == &JAR_CHOICE ? "zip" : "png", file.offset, end);
        }
        if (!found) throw std::runtime_error("streamscan misses the stream of " + file.path.string());
    }
}

}  // namespace

ScanInputsReport make_scan_inputs(const std::filesystem::path& folder, std::span<const std::uint8_t> noise) {
    ScanInputsReport report;
    report.noise_bytes = std::min(noise.size(), SCAN_NOISE_SIZE);
    write_bytes(folder / SCAN_NOISE_FILE, noise.first(report.noise_bytes));

    std::vector<PlacedFile> files = choose_files();
    std::vector<std::uint8_t> bytes;
    for (PlacedFile& file : files) {
        file.offset = bytes.size();
        const std::vector<std::uint8_t> content = read_file(file.path.string());
        file.size = content.size();
        bytes.insert(bytes.end(), content.begin(), content.end());
        report.gzip_files += file.kind == &GZIP_CHOICE;
        report.jar_files += file.kind == &JAR_CHOICE;
        report.png_files += file.kind == &PNG_CHOICE;
    }
    report.streams_bytes = bytes.size();
    const std::filesystem::path streams_file = folder / STREAMS_FILE;
    write_bytes(streams_file, bytes);

    const ProgramResult scan = run_program(STREAMSCAN_PROGRAM, {streams_file.string()});
    if (scan.exit_status != 0) throw std::runtime_error("streamscan failed: " + scan.standard_error);
    const std::vector<ScanLine> lines = parse_lines(scan.standard_output);
    report.lines = lines.size();
    check_found(files, bytes, lines);

    std::filesystem::remove_all(folder / STREAM_FOLDER);
    std::filesystem::create_directories(folder / STREAM_FOLDER);
    std::ofstream list(folder / STREAM_LIST);
    const std::string decoded_path = (folder / "stream.out").string();
    for (const ScanLine& line : lines) {
        if (line.check != "ok") {
            ++report.not_ok;
            continue;
        }
        if (line.parts > 1) {
            ++report.several_parts;
            continue;
        }
        char name[32];
        std::snprintf(name, sizeof name, "stream_%05zu.raw", report.cut);
        const std::filesystem::path stream = folder / STREAM_FOLDER / name;
        const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(line.offset);
        write_file(stream.string(),
                   std::vector<std::uint8_t>(first, first + static_cast<std::ptrdiff_t>(line.length)));
        const ProgramResult run = run_program(RAWINFLATE_PROGRAM, {stream.string(), decoded_path});
        std::error_code missing;
        const std::uintmax_t decoded = std::filesystem::file_size(decoded_path, missing);
        std::filesystem::remove(decoded_path, missing);
        if (run.exit_status != 0 || decoded != line.decoded_size)
            throw std::runtime_error("rawinflate does not decode " + stream.string() + " to " +
                                     std::to_string(line.decoded_size) + " bytes");
        list << name << ' ' << line.decoded_size << ' ' << line.kind << '\n';
        ++report.cut;
        report.cut_decoded += line.decoded_size;
    }
    if (!list.flush()) throw std::runtime_error("cannot write the stream list");
    return report;
}
