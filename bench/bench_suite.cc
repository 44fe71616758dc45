// bench_suite <inputs> <scratch> [runs [<earlier build folder> <its commit>]]: times the
// programs on the inputs that make_inputs wrote, next to the floor loop, cat and the C
// runtime's baseline, and prints the throughput and memory table with the project's targets,
// after tokdeflate's coded sizes. Given the build folder of an earlier commit, it times its
// rawinflate, lztokens and tokdeflate on the same inputs too. Outputs go to scratch.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "coded_sizes.h"
#include "input_names.h"
#include "measurement.h"

namespace {

constexpr int DEFAULT_RUNS = 5;
constexpr int MIN_RUNS = 1;
constexpr std::uint64_t MIB = 1 << 20;
// byteslice cuts a 100 MiB range out of the noise file, past a 1 MiB offset.
constexpr std::uint64_t SLICE_OFFSET = 1 * MIB;
constexpr std::uint64_t SLICE_LENGTH = 100 * MIB;
constexpr double SLICE_SHARE_OF_CAT = 0.8;
constexpr long RSS_ALLOWANCE_KIB = 2048;
constexpr int LEVELS = 10;
// Standard output of the programs: their statistics and trace lines are made but not kept.
constexpr const char* DISCARD = "/dev/null";

// The project's throughput targets, in MB/s.
constexpr double INFLATE_TEXT_TARGET = 150;
constexpr double INFLATE_RUNS_TARGET = 300;
struct LevelTarget {
    int level;
    double mbps;
};
constexpr LevelTarget TOKENIZE_TEXT_TARGETS[] = {{1, 150}, {3, 100}, {9, 15}};
// tokdeflate, in MB/s of decoded data; and lztokens piped into it, against lztokens alone.
constexpr double CODE_TEXT_TARGET = 200;
constexpr double PIPE_SHARE_OF_TOKENIZER = 0.8;
// lztokens 9 then tokdeflate, against the raw streams of the members the text came in.
constexpr double CODED_SIZE_TARGET = 1.05;
constexpr int CODED_SIZE_LEVEL = 9;

struct Target {
    std::string text;
    double min_mbps;
};

struct Row {
    std::string program;
    std::string input;
    std::uint64_t bytes;  // what the throughput counts: decoded output for rawinflate, else input
    std::vector<Command> commands;
    std::optional<Target> target;
    std::vector<RunSample> samples;
    std::string failure;  // set when a run failed; the row then has no figures
};

struct Paths {
    std::filesystem::path inputs;
    std::string output;  // the one output file, in scratch, removed after each run
    std::string input(const char* name) const { return (inputs / name).string(); }
    std::uint64_t size(const char* name) const { return std::filesystem::file_size(inputs / name); }
};

std::string megabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

std::string load_average() {
    double load = 0;
    if (getloadavg(&load, 1) != 1) return "unknown";
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", load);
    return text;
}

Target at_least(double mbps) {
    char text[32];
    std::snprintf(text, sizeof text, ">= %.0f MB/s", mbps);
    return {text, mbps};
}

Row row_of(std::string program, std::string input, std::uint64_t bytes, Command command) {
    return {std::move(program), std::move(input), bytes, {std::move(command)}, std::nullopt, {}, {}};
}

Row inflate_row(const std::string& input, const char* stream, const char* data, const Paths& paths) {
    const std::uint64_t bytes = paths.size(data);
    return row_of("rawinflate", input, bytes,
                  {RAWINFLATE_PROGRAM, {paths.input(stream), paths.output}, DISCARD, paths.output, bytes});
}

// The real gzip members that make_inputs kept, decoded one program run each.
Row member_row(const Paths& paths) {
    Row row{"rawinflate", "", 0, {}, at_least(INFLATE_TEXT_TARGET), {}, {}};
    std::ifstream list(paths.inputs / MEMBER_LIST);
    std::string name;
    std::uint64_t size = 0;
    std::string source;
    while (list >> name >> size && std::getline(list, source)) {
        row.commands.push_back({RAWINFLATE_PROGRAM,
                                {(paths.inputs / MEMBER_FOLDER / name).string(), paths.output},
                                DISCARD, paths.output, size});
        row.bytes += size;
    }
    row.input = "text: " + std::to_string(row.commands.size()) + " gzip members, 1 run each";
    if (row.commands.empty()) row.failure = "no gzip text members found on this machine";
    return row;
}

Row tokenize_row(int level, const std::string& input, const char* data, const Paths& paths) {
    const std::string level_text = std::to_string(level);
    return row_of("lztokens " + level_text, input, paths.size(data),
                  {LZTOKENS_PROGRAM, {paths.input(data), paths.output, level_text}, DISCARD, paths.output,
                   std::nullopt});
}

Row code_row(const std::string& input, const char* tokens, const Paths& paths) {
    return row_of("tokdeflate", input, paths.size(TEXT_FILE),
                  {TOKDEFLATE_PROGRAM, {paths.input(tokens), paths.output}, DISCARD, paths.output, std::nullopt});
}

// lztokens 3 writes into a FIFO that tokdeflate reads: both run at once, as in a pipe.
Row pipe_row(const Paths& paths, const std::string& fifo) {
    const std::string script = "\"$1\" \"$2\" \"$3\" 3 > /dev/null & \"$4\" \"$3\" \"$5\" > /dev/null || exit 1; wait $!";
    return row_of("tokdeflate", "lztokens 3 | tokdeflate: text, a FIFO", paths.size(TEXT_FILE),
                  {"sh", {"-c", script, "sh", LZTOKENS_PROGRAM, paths.input(TEXT_FILE), fifo, TOKDEFLATE_PROGRAM,
                          paths.output}, DISCARD, paths.output, std::nullopt});
}

// The coded-size table; true when its target is met.
bool print_coded_sizes(const CodedSizes& sizes) {
    if (!sizes.failure.empty()) {
        std::printf("Coded sizes FAILED: %s\n\n", sizes.failure.c_str());
        return false;
    }
    std::printf("Coded size of the text of the %zu largest gzip text members under /usr/share/doc\n"
                "(%.1f MB of text; their own raw streams: %.2f MB), lztokens at each level, then\n"
                "tokdeflate (best). Target: at level %d at most %.2f times the members' streams.\n\n",
                sizes.members, static_cast<double>(sizes.text_bytes) / 1e6,
                static_cast<double>(sizes.member_stream_bytes) / 1e6, CODED_SIZE_LEVEL, CODED_SIZE_TARGET);
    std::printf("level  tokens MB  coded MB  x members  target   result\n");
    bool pass = true;
    for (const LevelSize& level : sizes.levels) {
        const double ratio = static_cast<double>(level.coded_bytes) / static_cast<double>(sizes.member_stream_bytes);
        const bool has_target = level.level == CODED_SIZE_LEVEL;
        if (has_target) pass = ratio <= CODED_SIZE_TARGET;
        std::printf("%5d  %9.2f  %8.2f  %9.4f  %-7s  %s\n", level.level, static_cast<double>(level.token_bytes) / 1e6,
                    static_cast<double>(level.coded_bytes) / 1e6, ratio, has_target ? "<= 1.05" : "",
                    has_target ? (pass ? "pass" : "FAIL") : "");
    }
    std::printf("\n");
    return pass;
}

// A warm-up round, which also brings every input into the page cache, then the timed runs in
// rounds: round r takes the r-th sample of every row, so that a change in what else the
// machine runs falls on all rows alike, the floor included.
void measure_rows(std::span<Row* const> rows, int runs) {
    for (int round = 0; round <= runs; ++round) {
        if (round == 0)
            std::fprintf(stderr, "bench_suite: warm-up round\n");
        else
            std::fprintf(stderr, "bench_suite: round %d of %d\n", round, runs);
        for (Row* row : rows) {
            if (!row->failure.empty()) continue;
            try {
                const RunSample sample = run_once(TIMED_RUN_PROGRAM, row->commands);
                if (round > 0) row->samples.push_back(sample);
            } catch (const std::exception& error) {
                row->failure = error.what();
            }
        }
    }
}

bool passes(const Row& row) {
    return row.failure.empty() && row.target &&
           throughput(row.samples, row.bytes).median >= row.target->min_mbps;
}

void print_row(const Row& row, double floor_mbps) {
    std::printf("%-12s %-38s %6.1f ", row.program.c_str(), row.input.c_str(),
                static_cast<double>(row.bytes) / 1e6);
    if (!row.failure.empty()) {
        std::printf("FAILED: %s\n", row.failure.c_str());
        return;
    }
    const Throughput rate = throughput(row.samples, row.bytes);
    std::printf("%8.1f [%7.1f .. %7.1f] %6.2f %8ld  %-16s %s\n", rate.median, rate.min, rate.max,
                floor_mbps > 0 ? rate.median / floor_mbps : 0.0, peak_kib(row.samples),
                row.target ? row.target->text.c_str() : "",
                row.target ? (passes(row) ? "pass" : "FAIL") : "");
}

// A codec program's peak resident size on a 100 MB input, against the runtime's own.
bool print_memory(const char* what, const Row& row, long baseline_kib, bool has_target) {
    if (!row.failure.empty()) {
        std::printf("  %-48s FAILED\n", what);
        return false;
    }
    const long peak = peak_kib(row.samples);
    const bool pass = peak - baseline_kib < RSS_ALLOWANCE_KIB;
    std::printf("  %-48s %7ld KiB  %+7ld KiB   %s\n", what, peak, peak - baseline_kib,
                has_target ? (pass ? "pass" : "FAIL") : "(no target)");
    return !has_target || pass;
}

// streamscan's rows: each scan beside what it is held against, the same file or streams.
constexpr double SCAN_SHARE_OF_SLICE = 0.5;
constexpr double SCAN_TIME_PER_INFLATE_TIME = 1.3;
constexpr double SCAN_RAW_NOISE_TARGET = 10;

struct ScanRows {
    Row noise_scan;
    Row noise_slice;
    Row binary_scan;
    Row binary_slice;
    Row streams_scan;
    Row streams_inflate;
    Row raw_noise_scan;
};

Row scan_row(const std::string& input, const char* file, const Paths& paths, bool raw,
             const std::string& standard_output) {
    std::vector<std::string> arguments;
    if (raw) arguments.push_back("--raw");
    arguments.push_back(paths.input(file));
    return row_of("streamscan", input, paths.size(file),
                  {STREAMSCAN_PROGRAM, arguments, standard_output, "", std::nullopt});
}

// byteslice copying all of file: the offset 0 and the file's size.
Row whole_slice_row(const std::string& input, const char* file, const Paths& paths) {
    const std::uint64_t size = paths.size(file);
    char length[24];
    std::snprintf(length, sizeof length, "%08llX", static_cast<unsigned long long>(size));
    return row_of("byteslice", input, size,
                  {BYTESLICE_PROGRAM, {paths.input(file), paths.output, "00000000", length}, DISCARD,
                   paths.output, size});
}

// The streams that make_inputs cut out of the scanned file, one rawinflate run each.
Row stream_inflate_row(const Paths& paths) {
    Row row{"rawinflate", "", 0, {}, std::nullopt, {}, {}};
    std::ifstream list(paths.inputs / STREAM_LIST);
    std::string name;
    std::uint64_t size = 0;
    std::string kind;
    while (list >> name >> size >> kind) {
        row.commands.push_back({RAWINFLATE_PROGRAM,
                                {(paths.inputs / STREAM_FOLDER / name).string(), paths.output},
                                DISCARD, paths.output, size});
        row.bytes += size;
    }
    row.input = "real streams: " + std::to_string(row.commands.size()) + " runs, 1 per stream";
    if (row.commands.empty()) row.failure = "no streams were cut out";
    return row;
}

ScanRows scan_rows(const Paths& paths, const std::string& scratch) {
    ScanRows rows{
        scan_row("noise 64 MiB", SCAN_NOISE_FILE, paths, false, DISCARD),
        whole_slice_row("noise 64 MiB, whole file", SCAN_NOISE_FILE, paths),
        scan_row("binary: executables", BINARY_FILE, paths, false, DISCARD),
        whole_slice_row("binary: executables, whole file", BINARY_FILE, paths),
        scan_row("real streams: gzip, jar, PNG files", STREAMS_FILE, paths, false, DISCARD),
        stream_inflate_row(paths),
        // --raw on noise prints no line: every run's standard output is checked for it.
        scan_row("--raw: noise 64 MiB, prints no line", SCAN_NOISE_FILE, paths, true,
                 (std::filesystem::path(scratch) / "lines").string()),
    };
    rows.raw_noise_scan.commands.front().standard_output_size = 0;
    rows.raw_noise_scan.target = at_least(SCAN_RAW_NOISE_TARGET);
    return rows;
}

std::vector<Row*> scan_table(ScanRows& rows) {
    return {&rows.noise_slice, &rows.noise_scan, &rows.binary_slice, &rows.binary_scan,
            &rows.streams_inflate, &rows.streams_scan, &rows.raw_noise_scan};
}

double median_seconds(std::span<const RunSample> samples) {
    std::vector<double> seconds;
    for (const RunSample& sample : samples) seconds.push_back(sample.seconds);
    std::sort(seconds.begin(), seconds.end());
    const std::size_t middle = seconds.size() / 2;
    return seconds.size() % 2 == 1 ? seconds[middle] : (seconds[middle - 1] + seconds[middle]) / 2;
}

// The targets that depend on another row's figures; a target that cannot pass where that row
// failed.
void set_scan_targets(ScanRows& rows) {
    const double never = std::numeric_limits<double>::infinity();
    for (auto [scan, slice] : {std::pair{&rows.noise_scan, &rows.noise_slice},
                               std::pair{&rows.binary_scan, &rows.binary_slice}}) {
        const double slice_mbps = slice->failure.empty() ? throughput(slice->samples, slice->bytes).median : never;
        scan->target = Target{">= 50% byteslice", SCAN_SHARE_OF_SLICE * slice_mbps};
    }
    const Row& inflate = rows.streams_inflate;
    const double allowed_seconds =
        inflate.failure.empty() ? SCAN_TIME_PER_INFLATE_TIME * median_seconds(inflate.samples) : 0;
    rows.streams_scan.target =
        Target{"<= 1.3x its time", allowed_seconds > 0
                                       ? static_cast<double>(rows.streams_scan.bytes) / 1e6 / allowed_seconds
                                       : never};
}

void print_scan_times(const ScanRows& rows) {
    if (!rows.streams_scan.failure.empty() || !rows.streams_inflate.failure.empty()) return;
    const double scan = median_seconds(rows.streams_scan.samples);
    const double inflate = median_seconds(rows.streams_inflate.samples);
    std::printf("\nReal streams: streamscan scans the whole file in %.3f s (median); rawinflate\n"
                "decodes the %zu streams of one piece it finds there in %.3f s, the sum of one run\n"
                "per stream, each process's start included: %.2f times rawinflate's time (target\n"
                "at most %.1f). The PNG streams of several IDAT chunks are scanned but not decoded\n"
                "by rawinflate; %s lists the streams.\n",
                scan, rows.streams_inflate.commands.size(), inflate, scan / inflate,
                SCAN_TIME_PER_INFLATE_TIME, STREAM_LIST);
}

// The rows of the programs as an earlier commit built them in its build folder, each a twin
// of one of today's rows, on the same inputs, labelled with the commit.
struct Twin {
    const Row* today;
    const char* label;
};

std::vector<Row> earlier_rows(const std::string& build, const std::string& commit,
                              std::span<const Twin> twins) {
    std::vector<Row> rows;
    for (const Twin& twin : twins) {
        Row row = *twin.today;
        row.input = commit + ": " + twin.label;
        row.target.reset();
        for (Command& command : row.commands) {
            const std::filesystem::path program(command.program);
            command.program = (std::filesystem::path(build) / program.parent_path().filename() /
                               program.filename()).string();
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4 && argc != 6) {
        std::fprintf(stderr, "usage: bench_suite <inputs> <scratch> [runs [<earlier build folder> <its commit>]]\n");
        return 2;
    }
    const int runs = argc >= 4 ? std::atoi(argv[3]) : DEFAULT_RUNS;
    if (runs < MIN_RUNS) {
        std::fprintf(stderr, "bench_suite: runs: at least %d\n", MIN_RUNS);
        return 2;
    }
    const Paths paths{argv[1], (std::filesystem::path(argv[2]) / "output").string()};

    try {
        const std::uint64_t random_size = paths.size(RANDOM_FILE);
        const std::string noise = paths.input(RANDOM_FILE);
        const std::string& output = paths.output;
        Row floor = row_of("floor_copy", "incompressible", random_size,
                           {FLOOR_COPY_PROGRAM, {noise, output}, DISCARD, output, random_size});
        Row cat = row_of("cat", "incompressible, cat file > out", random_size,
                         {"cat", {noise}, output, output, random_size});
        char offset[16];
        char length[16];
        std::snprintf(offset, sizeof offset, "%08llX", static_cast<unsigned long long>(SLICE_OFFSET));
        std::snprintf(length, sizeof length, "%08llX", static_cast<unsigned long long>(SLICE_LENGTH));
        Row slice = row_of("byteslice", "incompressible, 100 MiB range", SLICE_LENGTH,
                           {BYTESLICE_PROGRAM, {noise, output, offset, length}, DISCARD, output, SLICE_LENGTH});
        Row baseline = row_of("runtime", "opens two files, ends", 0,
                              {RUNTIME_BASELINE_PROGRAM, {noise, output}, DISCARD, output, 0});

        Row inflate_text = member_row(paths);
        Row inflate_binary = inflate_row("binary: executables, fixed blocks", BINARY_STREAM, BINARY_FILE, paths);
        Row inflate_runs = inflate_row("long runs, fixed blocks", RUNS_STREAM, RUNS_FILE, paths);
        inflate_runs.target = at_least(INFLATE_RUNS_TARGET);
        Row inflate_noise = inflate_row("incompressible, stored blocks", RANDOM_STREAM, RANDOM_FILE, paths);

        std::vector<Row> tokenize_text;
        for (int level = 0; level < LEVELS; ++level) {
            tokenize_text.push_back(tokenize_row(level, "text", TEXT_FILE, paths));
            for (const LevelTarget& target : TOKENIZE_TEXT_TARGETS)
                if (target.level == level) tokenize_text.back().target = at_least(target.mbps);
        }
        Row tokenize_binary = tokenize_row(3, "binary: executables", BINARY_FILE, paths);
        Row tokenize_runs = tokenize_row(3, "long runs", RUNS_FILE, paths);
        Row tokenize_noise = tokenize_row(3, "incompressible", RANDOM_FILE, paths);

        Row code_text = code_row("text: level 3 tokens", TEXT_TOKENS_3, paths);
        code_text.target = at_least(CODE_TEXT_TARGET);
        Row code_text_9 = code_row("text: level 9 tokens", TEXT_TOKENS_9, paths);
        const std::string fifo = (std::filesystem::path(argv[2]) / "tokens.fifo").string();
        std::filesystem::remove(fifo);
        Row code_pipe = pipe_row(paths, fifo);
        if (mkfifo(fifo.c_str(), 0600) != 0) code_pipe.failure = "cannot make the FIFO " + fifo;

        // Table order, which is also the order of measuring, the floor first.
        std::vector<Row*> table = {&floor, &cat, &slice, &inflate_text, &inflate_binary, &inflate_runs,
                                   &inflate_noise};
        for (Row& row : tokenize_text) table.push_back(&row);
        table.insert(table.end(), {&tokenize_binary, &tokenize_runs, &tokenize_noise, &code_text, &code_text_9,
                                   &code_pipe});
        // Each earlier row right after today's twin, so that the two read as a pair.
        const std::vector<Twin> twins = {{&inflate_text, "text, gzip members"},
                                         {&inflate_runs, "long runs, fixed blocks"},
                                         {&tokenize_text[1], "text"},
                                         {&tokenize_text[3], "text"},
                                         {&code_text, "text: level 3 tokens"}};
        std::vector<Row> earlier = argc == 6 ? earlier_rows(argv[4], argv[5], twins) : std::vector<Row>{};
        for (std::size_t i = 0; i < earlier.size(); ++i) {
            const auto today = std::find(table.begin(), table.end(), twins[i].today);
            table.insert(today + 1, &earlier[i]);
        }
        ScanRows scan = scan_rows(paths, argv[2]);
        for (Row* row : scan_table(scan)) table.push_back(row);

        std::fprintf(stderr, "bench_suite: coded sizes of the real text\n");
        const CodedSizes coded_sizes = measure_coded_sizes(paths.inputs, argv[2]);

        std::vector<Row*> measured = table;
        measured.push_back(&baseline);
        const std::string load_before = load_average();
        measure_rows(measured, runs);
        const std::string load_after = load_average();
        if (cat.failure.empty()) {
            const double cat_mbps = throughput(cat.samples, cat.bytes).median;
            slice.target = Target{">= 80% of cat", SLICE_SHARE_OF_CAT * cat_mbps};
        }
        const Row& tokenize_3 = tokenize_text[3];
        if (tokenize_3.failure.empty()) {
            const double tokenize_mbps = throughput(tokenize_3.samples, tokenize_3.bytes).median;
            code_pipe.target = Target{">= 0.8 lztokens 3", PIPE_SHARE_OF_TOKENIZER * tokenize_mbps};
        }
        set_scan_targets(scan);

        const double floor_mbps = floor.failure.empty() ? throughput(floor.samples, floor.bytes).median : 0;
        std::printf("\nflatebits benchmarks: %s, %s build; each figure is the median of %d runs,\n"
                    "[min .. max] beside it. MB = 10^6 bytes. Time is the wall clock of the whole\n"
                    "program run, inputs in the page cache, outputs to %s.\n"
                    "Throughput counts the decoded output for rawinflate, the decoded text for\n"
                    "tokdeflate, the input otherwise.\n"
                    "x floor: against floor_copy, a byte loop through a 64 KiB ring and a 64 KiB\n"
                    "buffer with 64 KiB file blocks. Peak: resident KiB, largest of the runs.\n"
                    "Load average (1 min) before the runs %s, after them %s: other work on the\n"
                    "machine makes the figures noisy.\n\n",
                    BENCH_COMPILER, BENCH_BUILD_TYPE, runs, argv[2], load_before.c_str(), load_after.c_str());
        bool all_pass = print_coded_sizes(coded_sizes);
        std::printf("%-12s %-38s %6s %8s [%7s .. %7s] %6s %8s  %-16s %s\n", "program", "input", "MB",
                    "MB/s", "min", "max", "xfloor", "peak KiB", "target", "result");
        for (const Row* row : table) {
            print_row(*row, floor_mbps);
            if (row->target) all_pass &= passes(*row);
        }
        print_scan_times(scan);

        std::printf("\nPeak resident size on inputs of about 100 MB, beside the C runtime's own\n"
                    "(target: less than %ld KiB beyond it for rawinflate, lztokens and tokdeflate):\n",
                    RSS_ALLOWANCE_KIB);
        if (baseline.failure.empty()) {
            const long baseline_kib = peak_kib(baseline.samples);
            std::printf("  %-48s %7ld KiB\n", "runtime_baseline (opens two files and ends)", baseline_kib);
            all_pass &= print_memory(("rawinflate, " + megabytes(paths.size(RANDOM_STREAM)) +
                                      " stored-block stream").c_str(),
                                     inflate_noise, baseline_kib, true);
            all_pass &= print_memory(("lztokens 3, " + megabytes(random_size) + " incompressible").c_str(),
                                     tokenize_noise, baseline_kib, true);
            all_pass &= print_memory(("tokdeflate, " + megabytes(paths.size(TEXT_TOKENS_3)) + " of text tokens").c_str(),
                                     code_text, baseline_kib, true);
            print_memory(("byteslice, " + megabytes(SLICE_LENGTH) + " range").c_str(), slice,
                         baseline_kib, false);
        } else {
            std::printf("  runtime_baseline FAILED: %s\n", baseline.failure.c_str());
            all_pass = false;
        }
        std::printf("\nAll targets met: %s\n", all_pass ? "yes" : "no");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_suite: %s\n", error.what());
        return 1;
    }
    return 0;
}
