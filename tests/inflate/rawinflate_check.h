// Runs rawinflate on streams that the tests write, and states what a user must then see:
// statistics lines, fault lines, and the bytes that a list of items stands for.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "deflate_writer.h"
#include "program_runner.h"

using namespace test_support;

// Everything a run of rawinflate leaves behind.
struct Inflated {
    ProgramResult run;
    bool output_exists;
    std::vector<std::uint8_t> output;  // the output file's bytes
    std::string input_path;            // as given on the command line
};

// Zero bytes written after a fault: enough for a fault that takes 15 bits, and so many that
// the decoder has a long stretch of input ahead of the fault. Neither may change the outcome.
inline constexpr std::size_t FAULT_TAILS[] = {4, 300};

// Writes stream to a file in a fresh folder and decodes it into another file there.
Inflated inflate_stream(std::span<const std::uint8_t> stream);

// Runs rawinflate with the arguments as given and nothing else prepared.
ProgramResult run_rawinflate(const std::vector<std::string>& arguments);

// The statistics line of a block.
std::string statistics_line(unsigned type, int header_size, int data_size, int produced);

// The one standard error line of a stream fault.
std::string fault_line(const std::string& input_path, const std::string& fault, unsigned block);
// The line of an input that ends inside the given block, the final one included.
std::string cut_line(const std::string& input_path, unsigned block);

// Input bytes that the decoder has fetched once it has read the bits before bit_position:
// it fetches a byte only when it needs one of its bits.
int fetched_bytes(std::uint64_t bit_position);

// Where a block lies in a written stream, in bit positions, and what it produces.
struct BlockSpan {
    unsigned type;
    std::uint64_t start;       // its first header bit
    std::uint64_t header_end;  // after its 3 header bits and any code description
    std::uint64_t end;         // after its end-of-block code; header_end for a stored block
    int produced;
};

// The statistics line a block must get: bytes fetched for the header, then for the data.
// Stored bytes do not count, and they never lie between the positions compared here.
std::string statistics_line(const BlockSpan& block);

// The bytes that items stand for when they follow the bytes before (RFC 1951, 3.2.3):
// copies go one byte at a time, and a distance beyond the start of the output reads zeros.
std::vector<std::uint8_t> expand_items(std::vector<std::uint8_t> before,
                                       std::span<const LzItem> items);

// count bytes of an irregular pattern, different for each seed.
std::vector<std::uint8_t> pattern_bytes(std::size_t count, std::uint32_t seed);

std::vector<std::uint8_t> bytes_of(std::string_view text);

// The literals of text, then more items.
std::vector<LzItem> literals_then(std::string_view text, std::initializer_list<LzItem> more);
