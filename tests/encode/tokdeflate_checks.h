// Runs tokdeflate on token files and decodes what it wrote with rawinflate, the kit's
// reference decoder: the bytes, the lines of both, and the statuses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "program_runner.h"

using namespace test_support;

using Bytes = std::vector<std::uint8_t>;

// A token as the file holds it: distance 0 and a byte, or a distance and a length.
struct HandToken {
    std::uint16_t distance;
    std::uint16_t value;
};

Bytes text_bytes(const std::string& text);

Bytes token_file(const std::vector<HandToken>& tokens);

// The bytes tokens replay to, reading back any distance up to the start of the data.
Bytes replay(const std::vector<HandToken>& tokens);

struct CodedRun {
    ProgramResult coder;      // tokdeflate's run
    Bytes stream;             // what it wrote
    ProgramResult inflater;   // rawinflate's run on the stream
    Bytes decoded;            // what rawinflate wrote
};

// tokdeflate on the token file, in the mode (none when empty), then rawinflate.
CodedRun code_and_decode(const Bytes& tokens, const std::string& mode);

// The tokens lztokens writes for the data at the level.
Bytes lztokens_of(const Bytes& data, int level);
