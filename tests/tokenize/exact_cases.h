// Small inputs whose token streams are known byte for byte, shared by the tests of the
// program and of the reference parse.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

struct ExactCase {
    std::string name;
    Bytes input;
    std::vector<int> levels;
    Bytes expected;
};

Bytes bytes_of(const std::string& text);
Bytes literal(std::uint8_t byte);
Bytes literals(const Bytes& input);
Bytes match(std::uint16_t distance, std::uint16_t length);
Bytes joined(const std::vector<Bytes>& parts);

std::vector<ExactCase> exact_cases();
