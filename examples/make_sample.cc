// make_sample <output>: writes the shipped example sample.gz, one gzip member whose raw
// DEFLATE stream holds a fixed-code block with back-references and a final dynamic block.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string_view>
#include <vector>

#include "checksums.h"
#include "deflate_writer.h"
#include "gzip_member.h"

using namespace test_support;
using namespace scan;
using namespace deflate;

namespace {

constexpr std::string_view FIXED_PART =
    "flatebits sample. This gzip member holds two DEFLATE blocks. The first block uses the "
    "fixed codes, and with the fixed codes the first block gets short only where the text "
    "repeats itself: the text repeats itself, the text repeats itself, the text repeats "
    "itself.\n";

constexpr std::string_view DYNAMIC_PART =
    "The second block is a dynamic block: it brings its own codes, so the symbols it uses "
    "most get the shortest codes, and its back-references reach into the first block. "
    "Cut the raw stream out at offset 10, run rawinflate on it, and compare the CRC-32 of "
    "the text with the one in the trailer.\n";

constexpr unsigned MIN_MATCH = 3;
constexpr unsigned MAX_MATCH = 258;
constexpr std::size_t MAX_DISTANCE = 32768;

// Greedy parse of text[begin, end): at each position the longest earlier match of at least
// 3 bytes, the nearest one among equals, else a literal.
std::vector<LzItem> greedy_items(std::string_view text, std::size_t begin, std::size_t end) {
    std::vector<LzItem> items;
    std::size_t at = begin;
    while (at < end) {
        std::size_t best_length = 0;
        std::size_t best_distance = 0;
        const std::size_t limit = std::min<std::size_t>(MAX_MATCH, end - at);
        for (std::size_t distance = 1; distance <= std::min(at, MAX_DISTANCE); ++distance) {
            std::size_t length = 0;
            while (length < limit && text[at - distance + length] == text[at + length]) ++length;
            if (length > best_length) {
                best_length = length;
                best_distance = distance;
            }
        }
        if (best_length >= MIN_MATCH) {
            items.push_back(
                match(static_cast<unsigned>(best_length), static_cast<unsigned>(best_distance)));
            at += best_length;
        } else {
            items.push_back(literal(static_cast<std::uint8_t>(text[at])));
            at += 1;
        }
    }
    return items;
}

// Lengths of a complete code over the symbols in uses, the most used ones getting the
// shorter codes (ties by symbol value).
std::vector<std::uint8_t> lengths_by_use(const std::vector<unsigned>& uses, std::size_t size) {
    std::vector<unsigned> symbols;
    for (unsigned s = 0; s < uses.size(); ++s)
        if (uses[s] != 0) symbols.push_back(s);
    std::stable_sort(symbols.begin(), symbols.end(),
                     [&](unsigned a, unsigned b) { return uses[a] > uses[b]; });
    return complete_code_lengths(symbols, size);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample <output>\n");
        return 2;
    }
    std::string text(FIXED_PART);
    text += DYNAMIC_PART;

    BitWriter writer;
    put_fixed_block(writer, false, greedy_items(text, 0, FIXED_PART.size()));

    const std::vector<LzItem> dynamic_items = greedy_items(text, FIXED_PART.size(), text.size());
    std::vector<unsigned> litlen_uses(286, 0);
    std::vector<unsigned> distance_uses(30, 0);
    for (const LzItem item : dynamic_items) {
        if (item.length == 0) {
            ++litlen_uses[item.value];
        } else {
            ++litlen_uses[length_symbol(item.length).symbol];
            ++distance_uses[distance_symbol(item.value).symbol];
        }
    }
    litlen_uses[END_OF_BLOCK] = 1;
    put_dynamic_block(writer, true, lengths_by_use(litlen_uses, 286),
                      lengths_by_use(distance_uses, 30), dynamic_items);

    const std::span<const std::uint8_t> text_bytes(
        reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    const std::vector<std::uint8_t> member = gzip_member_bytes(
        writer.bytes, GzipTrailer{crc32(text_bytes), static_cast<std::uint32_t>(text.size())});

    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(member.data()),
              static_cast<std::streamsize>(member.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_sample: %s: cannot write\n", argv[1]);
        return 1;
    }
    return 0;
}
