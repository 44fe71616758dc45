// Runs lztokens through its command line and judges what it leaves: the token stream
// against the reference parse, and standard output against the refills a size implies.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "exact_cases.h"
#include "program_runner.h"
#include "token_replayer.h"

using namespace test_support;

inline constexpr std::uint64_t READ_SIZE = 65536;
inline constexpr long CARRY_SIZE = 33029;
// The first refill hands the worker all but the last 261 bytes of its read.
inline constexpr std::uint64_t FIRST_HANDOVER_END = READ_SIZE - 261;

struct TokenRun {
    ProgramResult result;
    Bytes stream;  // the output file
};

// lztokens <input> <output> arguments..., the output in a fresh folder.
TokenRun run_lztokens_on_file(const std::string& input_path,
                              const std::vector<std::string>& arguments);
// The same with input written to a file first.
TokenRun run_lztokens(const Bytes& input, const std::vector<std::string>& arguments);
TokenRun run_lztokens_at_level(const Bytes& input, int level);

// One line of standard output, split into its five values.
struct TraceLine {
    long first_block;
    long last_block;
    long bytes_read;
    std::string address;  // eight upper-case hexadecimal digits
    long carry_size;
};

// The trace lines of standard output; a failure names the first line that is not one.
testing::AssertionResult parse_trace(const std::string& standard_output,
                                     std::vector<TraceLine>& lines);

// Exit status 0, nothing on standard error, and on standard output exactly one
// well-formed trace line per refill that an input of input_size bytes takes.
testing::AssertionResult ran_cleanly(const TokenRun& run, std::uint64_t input_size);

// The stream replays to input and equals the reference parse at level, token for token.
testing::AssertionResult is_reference_parse(const Bytes& stream, const Bytes& input, int level);

// Random bytes with copies planted in them: each copy repeats length bytes from distance
// bytes back at position, and the byte after it differs from the byte after its source.
struct PlantedCopy {
    std::uint64_t position;
    std::uint16_t distance;
    std::uint16_t length;
};
Bytes random_with_copies(std::size_t size, std::uint64_t seed,
                         const std::vector<PlantedCopy>& copies);

// The token that covers the byte at position, as "match (d, l) from p" or "literal 0x.. from p".
std::string token_covering(const Replay& replay, std::uint64_t position);
