// Generators built on std::mt19937_64 and integer arithmetic only, whose results the C++
// standard fixes; the library's distributions are left out because they are not fixed.
#include "generated_inputs.h"

#include <algorithm>
#include <array>
#include <random>
#include <string_view>

namespace test_support {

namespace {

using Rng = std::mt19937_64;

std::uint64_t below(Rng& rng, std::uint64_t bound) { return rng() % bound; }

std::uint64_t between(Rng& rng, std::uint64_t low, std::uint64_t high) {
    return low + below(rng, high - low + 1);
}

// The most frequent English words, most frequent first; the rest of the vocabulary is
// made up from letters drawn by their frequency in English text.
constexpr std::array<std::string_view, 48> COMMON_WORDS = {
    "the", "of", "and", "to", "a", "in", "is", "that", "for", "it", "as", "was",
    "with", "be", "by", "on", "not", "he", "this", "are", "or", "his", "from", "at",
    "which", "but", "have", "an", "had", "they", "you", "were", "their", "one", "all", "we",
    "can", "her", "has", "there", "been", "if", "more", "when", "will", "would", "who", "so",
};
constexpr std::string_view LETTERS_BY_FREQUENCY =
    "eeeeeeeeeeeetttttttttaaaaaaaaoooooooiiiiiiinnnnnnnsssssshhhhhh"
    "rrrrrrddddllllcccuuummmwwffggyyppbbvkjxqz";
constexpr std::size_t VOCABULARY_SIZE = 3000;

struct Vocabulary {
    std::vector<std::string> words;
    std::vector<std::uint64_t> cumulative_weight;  // Zipf-like: rank r weighs 1 / (r + 1)
};

// One vocabulary for every text, made from its own seed.
Vocabulary make_vocabulary() {
    Rng rng(1951);
    Vocabulary vocabulary;
    for (const std::string_view word : COMMON_WORDS) vocabulary.words.emplace_back(word);
    while (vocabulary.words.size() < VOCABULARY_SIZE) {
        std::string word;
        const std::uint64_t length = between(rng, 2, 4) + below(rng, 3) * below(rng, 4);
        for (std::uint64_t letter = 0; letter < length; ++letter)
            word += LETTERS_BY_FREQUENCY[below(rng, LETTERS_BY_FREQUENCY.size())];
        vocabulary.words.push_back(word);
    }
    std::uint64_t total = 0;
    for (std::size_t rank = 0; rank < vocabulary.words.size(); ++rank) {
        total += 1'000'000 / (rank + 1);
        vocabulary.cumulative_weight.push_back(total);
    }
    return vocabulary;
}

// A plain binary search for the first cumulative weight above a random ticket.
const std::string& pick_word(const Vocabulary& vocabulary, Rng& rng) {
    const std::uint64_t* const weights = vocabulary.cumulative_weight.data();
    const std::uint64_t ticket = rng() % weights[VOCABULARY_SIZE - 1];
    std::size_t low = 0;
    std::size_t high = VOCABULARY_SIZE - 1;
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        if (weights[middle] > ticket)
            high = middle;
        else
            low = middle + 1;
    }
    return vocabulary.words[low];
}

// Sentences of 4 to 20 words with commas, wrapped near 72 columns, now and then a blank line.
void append_text(std::vector<std::uint8_t>& out, std::size_t count, Rng& rng) {
    static const Vocabulary vocabulary = make_vocabulary();
    const std::size_t end = out.size() + count;
    std::size_t column = 0;
    while (out.size() < end) {
        const std::uint64_t sentence_words = between(rng, 4, 20);
        for (std::uint64_t index = 0; index < sentence_words && out.size() < end; ++index) {
            const std::string& word = pick_word(vocabulary, rng);
            const char mark = index + 1 == sentence_words ? '.' : below(rng, 12) == 0 ? ',' : 0;
            const std::size_t width = word.size() + (mark != 0 ? 1 : 0);
            if (column > 0 && column + width > 72) {
                out.push_back('\n');
                if (below(rng, 12) == 0) out.push_back('\n');
                column = 0;
            } else if (column > 0) {
                out.push_back(' ');
                ++column;
            }
            const std::size_t start = out.size();
            out.insert(out.end(), word.begin(), word.end());
            if (index == 0) out[start] = static_cast<std::uint8_t>(out[start] - 'a' + 'A');
            if (mark != 0) out.push_back(static_cast<std::uint8_t>(mark));
            column += width;
        }
    }
    out.resize(end);
}

void append_random(std::vector<std::uint8_t>& out, std::size_t count, Rng& rng) {
    const std::size_t start = out.size();
    out.resize(start + count);
    std::uint8_t* const bytes = out.data() + start;
    std::uint64_t number = 0;
    for (std::size_t index = 0; index < count; ++index) {
        if (index % 8 == 0) number = rng();
        bytes[index] = static_cast<std::uint8_t>(number >> (index % 8 * 8));
    }
}

// Mostly a few favourite byte values, as in images and tables; lengths mostly short.
void append_runs(std::vector<std::uint8_t>& out, std::size_t count, Rng& rng) {
    constexpr std::array<std::uint8_t, 6> FAVOURITES = {0x00, 0xFF, 0x20, 0x30, 0x55, 0xAA};
    const std::size_t end = out.size() + count;
    while (out.size() < end) {
        const std::uint8_t value = below(rng, 4) == 0 ? static_cast<std::uint8_t>(rng() >> 56)
                                                      : FAVOURITES[below(rng, FAVOURITES.size())];
        const std::uint64_t lengths = below(rng, 100);
        const std::uint64_t length = lengths < 60   ? between(rng, 1, 6)
                                     : lengths < 85 ? between(rng, 7, 40)
                                     : lengths < 97 ? between(rng, 41, 300)
                                                    : between(rng, 301, 3000);
        out.insert(out.end(), std::min<std::size_t>(length, end - out.size()), value);
    }
}

// A copy of an earlier stretch: close by, around the edge of the 32,505-byte window, or
// anywhere; now and then with one byte changed so that the copy breaks off.
void append_copy(std::vector<std::uint8_t>& out, std::size_t count, Rng& rng) {
    const std::uint64_t choice = below(rng, 4);
    const std::uint64_t distance = choice == 0   ? between(rng, 1, 64)
                                   : choice == 1 ? between(rng, 32'400, 32'600)
                                   : choice == 2 ? between(rng, 1, 40'000)
                                                 : between(rng, 1, out.size());
    if (distance > out.size()) {
        append_random(out, count, rng);
        return;
    }
    const std::size_t start = out.size();
    for (std::size_t index = 0; index < count; ++index) out.push_back(out[out.size() - distance]);
    if (below(rng, 3) == 0) out[start + below(rng, count)] ^= 0x01;
}

void append_mixed(std::vector<std::uint8_t>& out, std::size_t count, Rng& rng) {
    const std::size_t end = out.size() + count;
    while (out.size() < end) {
        const std::uint64_t choice = below(rng, 10);
        const std::size_t left = end - out.size();
        if (choice < 3)
            append_random(out, std::min<std::size_t>(between(rng, 16, 3000), left), rng);
        else if (choice < 5)
            append_text(out, std::min<std::size_t>(between(rng, 100, 4000), left), rng);
        else if (choice < 6)
            append_runs(out, std::min<std::size_t>(between(rng, 50, 2000), left), rng);
        else if (out.empty())
            append_random(out, 1, rng);
        else
            append_copy(out, std::min<std::size_t>(between(rng, 3, 600), left), rng);
    }
}

}  // namespace

std::string kind_name(InputKind kind) {
    switch (kind) {
        case InputKind::random_bytes: return "random";
        case InputKind::text: return "text";
        case InputKind::runs: return "runs";
        case InputKind::mixed: return "mixed";
    }
    return "unknown";
}

std::vector<std::uint8_t> generated_input(InputKind kind, std::size_t size, std::uint64_t seed) {
    Rng rng(seed);
    std::vector<std::uint8_t> out;
    out.reserve(size);
    switch (kind) {
        case InputKind::random_bytes: append_random(out, size, rng); break;
        case InputKind::text: append_text(out, size, rng); break;
        case InputKind::runs: append_runs(out, size, rng); break;
        case InputKind::mixed: append_mixed(out, size, rng); break;
    }
    return out;
}

std::vector<std::uint8_t> random_input(std::size_t size, std::uint64_t seed) {
    return generated_input(InputKind::random_bytes, size, seed);
}

}  // namespace test_support
