// Reproducible test inputs of several kinds: the same kind, size and seed give the same
// bytes on every machine and compiler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

enum class InputKind {
    random_bytes,  // no structure; repeats only by chance
    text,          // words from a vocabulary drawn with a skewed, word-like frequency
    runs,          // runs of equal bytes, short and long, some longer than 258
    mixed,         // stretches of the kinds above and copies of earlier stretches, near and far
};

std::string kind_name(InputKind kind);

std::vector<std::uint8_t> generated_input(InputKind kind, std::size_t size, std::uint64_t seed);

// size bytes with no structure.
std::vector<std::uint8_t> random_input(std::size_t size, std::uint64_t seed);

}  // namespace test_support
