// The checks every lztokens test shares, so that each test states only its inputs.
#include "lztokens_checks.h"

#include <algorithm>
#include <regex>
#include <sstream>

#include "generated_inputs.h"
#include "reference_parse.h"

using namespace test_support;

namespace {

struct Refill {
    long first_block;
    long last_block;
    long bytes_read;
};

// What the driver's refills print for a regular file of size bytes: full reads while the
// data lasts, one short read (possibly of 0 bytes), then the refill that finds the end.
std::vector<Refill> refills_for(std::uint64_t size) {
    std::vector<Refill> refills;
    long first_block = 1;
    for (std::uint64_t left = size;;) {
        const std::uint64_t read = std::min(left, READ_SIZE);
        refills.push_back({first_block, 0, static_cast<long>(read)});
        left -= read;
        if (read < READ_SIZE) break;
        first_block = 0;
    }
    refills.push_back({first_block, 1, 0});
    return refills;
}

}  // namespace

TokenRun run_lztokens_on_file(const std::string& input_path,
                              const std::vector<std::string>& arguments) {
    TempDir folder;
    std::vector<std::string> words = {input_path, folder.file("tokens")};
    words.insert(words.end(), arguments.begin(), arguments.end());
    TokenRun run{run_program(LZTOKENS_PROGRAM, words), {}};
    if (std::filesystem::exists(folder.file("tokens")))
        run.stream = read_file(folder.file("tokens"));
    return run;
}

TokenRun run_lztokens(const Bytes& input, const std::vector<std::string>& arguments) {
    TempDir folder;
    write_file(folder.file("input"), input);
    return run_lztokens_on_file(folder.file("input"), arguments);
}

TokenRun run_lztokens_at_level(const Bytes& input, int level) {
    return run_lztokens(input, {std::to_string(level)});
}

testing::AssertionResult parse_trace(const std::string& standard_output,
                                     std::vector<TraceLine>& lines) {
    static const std::regex TRACE_LINE("(-?[0-9]+) (-?[0-9]+) (-?[0-9]+) ([0-9A-F]{8}) (-?[0-9]+)");
    lines.clear();
    if (!standard_output.empty() && standard_output.back() != '\n')
        return testing::AssertionFailure() << "standard output does not end with a newline";
    std::istringstream text(standard_output);
    for (std::string line; std::getline(text, line);) {
        std::smatch values;
        if (!std::regex_match(line, values, TRACE_LINE))
            return testing::AssertionFailure() << "not a trace line: \"" << line << "\"";
        lines.push_back({std::stol(values[1]), std::stol(values[2]), std::stol(values[3]),
                         values[4], std::stol(values[5])});
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult ran_cleanly(const TokenRun& run, std::uint64_t input_size) {
    if (run.result.exit_status != 0)
        return testing::AssertionFailure() << "exit status " << run.result.exit_status
                                           << ", standard error: " << run.result.standard_error;
    if (!run.result.standard_error.empty())
        return testing::AssertionFailure() << "standard error: " << run.result.standard_error;
    std::vector<TraceLine> lines;
    if (const testing::AssertionResult parsed = parse_trace(run.result.standard_output, lines);
        !parsed)
        return parsed;
    const std::vector<Refill> refills = refills_for(input_size);
    if (lines.size() != refills.size())
        return testing::AssertionFailure() << lines.size() << " trace lines for " << input_size
                                           << " bytes, expected " << refills.size() << ":\n"
                                           << run.result.standard_output;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const TraceLine& line = lines[index];
        const Refill& refill = refills[index];
        if (line.first_block != refill.first_block || line.last_block != refill.last_block ||
            line.bytes_read != refill.bytes_read || line.carry_size != CARRY_SIZE ||
            line.address != lines[0].address)
            return testing::AssertionFailure()
                   << "trace line " << index + 1 << " for " << input_size << " bytes should be "
                   << refill.first_block << " " << refill.last_block << " " << refill.bytes_read
                   << " " << lines[0].address << " " << CARRY_SIZE << ":\n"
                   << run.result.standard_output;
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult is_reference_parse(const Bytes& stream, const Bytes& input, int level) {
    const Replay replay = replay_tokens(stream);
    if (!replay.error.empty())
        return testing::AssertionFailure() << "the stream does not replay: " << replay.error;
    if (replay.bytes != input) {
        const auto first_difference = std::ranges::mismatch(replay.bytes, input);
        return testing::AssertionFailure()
               << "the stream replays to " << replay.bytes.size() << " bytes, not the "
               << input.size() << " of the input; they differ first at byte "
               << (first_difference.in1 - replay.bytes.begin());
    }
    const std::string difference = first_token_difference(stream, reference_parse(input, level));
    if (!difference.empty())
        return testing::AssertionFailure() << "at level " << level << ", " << difference;
    return testing::AssertionSuccess();
}

Bytes random_with_copies(std::size_t size, std::uint64_t seed,
                         const std::vector<PlantedCopy>& copies) {
    Bytes input = random_input(size, seed);
    for (const PlantedCopy& copy : copies) {
        for (std::uint64_t index = 0; index < copy.length; ++index)
            input[copy.position + index] = input[copy.position - copy.distance + index];
        const std::uint64_t after = copy.position + copy.length;
        if (after < input.size())
            input[after] = static_cast<std::uint8_t>(~input[after - copy.distance]);
    }
    return input;
}

std::string token_covering(const Replay& replay, std::uint64_t position) {
    const auto after = std::ranges::upper_bound(
        replay.tokens, position, {}, [](const ReplayedToken& token) { return token.position; });
    if (after == replay.tokens.begin() || position >= replay.bytes.size()) return "no token";
    const ReplayedToken& token = *(after - 1);
    return describe_token(token) + " from " + std::to_string(token.position);
}
