// Seeded generators for runs, noise and text, and the concatenation of the executables.
#include "generated_data.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <string>

namespace {

constexpr std::uint64_t SPLITMIX_INCREMENT = 0x9E3779B97F4A7C15;

constexpr std::size_t MIN_RUN = 256;
constexpr std::size_t MAX_RUN = 4096;
constexpr std::size_t MAX_PATTERN = 8;
// One run in four repeats a pattern of 2 to 8 bytes; the others a single byte.
constexpr std::uint64_t PATTERN_RUN_ONE_IN = 4;

constexpr std::size_t VOCABULARY_SIZE = 8000;
// Zipf's law with the usual offset for English: the word of rank r has weight 1 / (r + 2.7).
constexpr double ZIPF_OFFSET = 2.7;
constexpr std::size_t LINE_WIDTH = 72;
constexpr std::uint64_t MIN_SENTENCE_WORDS = 4;
constexpr std::uint64_t MAX_SENTENCE_WORDS = 24;
constexpr std::uint64_t PARAGRAPH_ONE_IN = 6;  // chance that a sentence ends its paragraph

// Syllables that make pronounceable pseudo-words.
constexpr std::array<const char*, 24> SYLLABLES = {
    "a",  "be", "con", "de", "en", "for", "ge",  "in",  "is",  "ka",  "le",  "ment",
    "mo", "na", "or",  "pre", "ra", "re", "sta", "te",  "ter", "tion", "un", "ve"};

constexpr std::array<std::uint8_t, 4> ELF_MAGIC = {0x7F, 'E', 'L', 'F'};

std::string pseudo_word(Prng& prng) {
    std::string word;
    const std::uint64_t syllables = 1 + random_below(prng, 3);
    for (std::uint64_t i = 0; i < syllables; ++i) word += SYLLABLES[random_below(prng, SYLLABLES.size())];
    return word;
}

// Cumulative Zipf weights of the vocabulary's ranks, for drawing by binary search.
std::vector<double> zipf_cumulative() {
    std::vector<double> cumulative(VOCABULARY_SIZE);
    double total = 0;
    for (std::size_t rank = 0; rank < VOCABULARY_SIZE; ++rank) {
        total += 1.0 / (static_cast<double>(rank) + ZIPF_OFFSET);
        cumulative[rank] = total;
    }
    return cumulative;
}

double random_unit(Prng& prng) {
    return static_cast<double>(next_random(prng) >> 11) * 0x1.0p-53;
}

bool is_elf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::array<char, ELF_MAGIC.size()> head{};
    if (!in.read(head.data(), head.size())) return false;
    return std::equal(head.begin(), head.end(), ELF_MAGIC.begin(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

}  // namespace

std::uint64_t next_random(Prng& prng) {
    std::uint64_t z = prng.state += SPLITMIX_INCREMENT;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
    return z ^ (z >> 31);
}

std::uint64_t random_below(Prng& prng, std::uint64_t bound) {
    return next_random(prng) % bound;
}

std::vector<std::uint8_t> random_bytes(std::size_t size, std::uint64_t seed) {
    Prng prng{seed};
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; i += 8) {
        const std::uint64_t word = next_random(prng);
        for (std::size_t k = 0; k < 8 && i + k < size; ++k)
            bytes[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
    }
    return bytes;
}

std::vector<std::uint8_t> long_runs(std::size_t size, std::uint64_t seed) {
    Prng prng{seed};
    std::vector<std::uint8_t> bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
        const std::size_t period =
            random_below(prng, PATTERN_RUN_ONE_IN) == 0 ? 2 + random_below(prng, MAX_PATTERN - 1) : 1;
        std::array<std::uint8_t, MAX_PATTERN> pattern{};
        for (std::size_t i = 0; i < period; ++i) pattern[i] = static_cast<std::uint8_t>(next_random(prng));
        const std::size_t run = std::min(MIN_RUN + random_below(prng, MAX_RUN - MIN_RUN + 1),
                                         size - bytes.size());
        for (std::size_t i = 0; i < run; ++i) bytes.push_back(pattern[i % period]);
    }
    return bytes;
}

std::vector<std::uint8_t> generated_text(std::size_t size, std::uint64_t seed) {
    Prng prng{seed};
    std::vector<std::string> vocabulary;
    for (std::size_t i = 0; i < VOCABULARY_SIZE; ++i) vocabulary.push_back(pseudo_word(prng));
    const std::vector<double> cumulative = zipf_cumulative();

    std::string text;
    std::size_t line_length = 0;
    const auto put_word = [&](const std::string& word) {
        if (line_length > 0 && line_length + 1 + word.size() > LINE_WIDTH) {
            text += '\n';
            line_length = 0;
        } else if (line_length > 0) {
            text += ' ';
            ++line_length;
        }
        text += word;
        line_length += word.size();
    };
    while (text.size() < size) {
        const std::uint64_t words =
            MIN_SENTENCE_WORDS + random_below(prng, MAX_SENTENCE_WORDS - MIN_SENTENCE_WORDS + 1);
        for (std::uint64_t i = 0; i < words; ++i) {
            const double draw = random_unit(prng) * cumulative.back();
            const auto rank = static_cast<std::size_t>(
                std::lower_bound(cumulative.begin(), cumulative.end(), draw) - cumulative.begin());
            std::string word = vocabulary[std::min(rank, VOCABULARY_SIZE - 1)];
            if (i == 0) word[0] = static_cast<char>(word[0] - 'a' + 'A');
            if (i + 1 == words) word += '.';
            put_word(word);
        }
        if (random_below(prng, PARAGRAPH_ONE_IN) == 0) {
            text += "\n\n";
            line_length = 0;
        }
    }
    text.resize(size);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::vector<std::uint8_t> executables(const std::filesystem::path& folder, std::size_t cap) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file() && !entry.is_symlink() && is_elf(entry.path()))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());

    std::vector<std::uint8_t> bytes;
    bytes.reserve(cap);
    for (const std::filesystem::path& file : files) {
        if (bytes.size() >= cap) break;
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> content{std::istreambuf_iterator<char>(in), {}};
        const std::size_t take = std::min(content.size(), cap - bytes.size());
        bytes.insert(bytes.end(), content.begin(), content.begin() + static_cast<std::ptrdiff_t>(take));
    }
    return bytes;
}
