// The benchmark inputs that do not come from compressed files: the machine's executables,
// and data made from a seeded generator, the same on every run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

// splitmix64: small, fast, and the same sequence on every machine for a given seed.
struct Prng {
    std::uint64_t state;
};

std::uint64_t next_random(Prng& prng);
// A value from 0 to bound - 1.
std::uint64_t random_below(Prng& prng, std::uint64_t bound);

// size bytes of incompressible data.
std::vector<std::uint8_t> random_bytes(std::size_t size, std::uint64_t seed);

// size bytes of long runs: a byte or a short pattern of up to 8 bytes repeated over hundreds
// to thousands of bytes, the kind of data whose matches are long and close.
std::vector<std::uint8_t> long_runs(std::size_t size, std::uint64_t seed);

// size bytes of English-like text: pseudo-words drawn with a Zipf distribution (a few words
// very common, most rare), in sentences and paragraphs, wrapped at 72 columns.
std::vector<std::uint8_t> generated_text(std::size_t size, std::uint64_t seed);

// The ELF executables directly in folder, in file-name order, concatenated and cut at cap.
std::vector<std::uint8_t> executables(const std::filesystem::path& folder, std::size_t cap);
