// Bit order, canonical codes and block layouts of RFC 1951, for writing test streams.
#include "deflate_writer.h"

#include <algorithm>
#include <bit>
#include <stdexcept>
#include <string>

namespace test_support {

namespace {

using namespace deflate;

// Appends the run-length symbols for lengths, RFC 1951 section 3.2.7.
std::vector<CodeLengthSymbol> run_length_symbols(std::span<const std::uint8_t> lengths) {
    std::vector<CodeLengthSymbol> sequence;
    std::size_t i = 0;
    while (i < lengths.size()) {
        const std::uint8_t value = lengths[i];
        std::size_t run = 1;
        while (i + run < lengths.size() && lengths[i + run] == value) ++run;
        if (value == 0) {
            std::size_t left = run;
            while (left >= repeat_shortest_run(LONG_ZERO_RUN)) {
                const std::size_t n = std::min<std::size_t>(left, repeat_longest_run(LONG_ZERO_RUN));
                sequence.push_back({LONG_ZERO_RUN, static_cast<std::uint8_t>(n - repeat_shortest_run(LONG_ZERO_RUN))});
                left -= n;
            }
            if (left >= repeat_shortest_run(SHORT_ZERO_RUN)) {
                sequence.push_back({SHORT_ZERO_RUN, static_cast<std::uint8_t>(left - repeat_shortest_run(SHORT_ZERO_RUN))});
                left = 0;
            }
            for (; left > 0; --left) sequence.push_back({0});
        } else {
            sequence.push_back({value});
            std::size_t left = run - 1;
            while (left >= repeat_shortest_run(REPEAT_PREVIOUS)) {
                const std::size_t n = std::min<std::size_t>(left, repeat_longest_run(REPEAT_PREVIOUS));
                sequence.push_back({REPEAT_PREVIOUS, static_cast<std::uint8_t>(n - repeat_shortest_run(REPEAT_PREVIOUS))});
                left -= n;
            }
            for (; left > 0; --left) sequence.push_back({value});
        }
        i += run;
    }
    return sequence;
}

}  // namespace

void put_bits(BitWriter& writer, std::uint32_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        if (writer.bit_length % 8 == 0) writer.bytes.push_back(0);
        const unsigned bit = (value >> i) & 1;
        writer.bytes.back() =
            static_cast<std::uint8_t>(writer.bytes.back() | bit << (writer.bit_length % 8));
        ++writer.bit_length;
    }
}

void put_code(BitWriter& writer, std::uint32_t code, unsigned length) {
    for (unsigned i = length; i > 0; --i) put_bits(writer, code >> (i - 1), 1);
}

void align_to_byte(BitWriter& writer) {
    writer.bit_length = writer.bytes.size() * 8;
}

void put_bytes(BitWriter& writer, std::span<const std::uint8_t> bytes) {
    if (writer.bit_length % 8 != 0) throw std::logic_error("put_bytes off a byte boundary");
    writer.bytes.insert(writer.bytes.end(), bytes.begin(), bytes.end());
    writer.bit_length += 8 * static_cast<std::uint64_t>(bytes.size());
}

HuffmanCode canonical_code(std::span<const std::uint8_t> lengths) {
    std::array<std::uint32_t, MAX_CODE_LENGTH + 1> count{};
    for (const std::uint8_t length : lengths) {
        if (length > MAX_CODE_LENGTH) throw std::invalid_argument("code length above 15");
        ++count[length];
    }
    count[0] = 0;
    std::array<std::uint32_t, MAX_CODE_LENGTH + 1> next_code{};
    std::uint32_t code = 0;
    for (unsigned bits = 1; bits <= MAX_CODE_LENGTH; ++bits) {
        code = (code + count[bits - 1]) << 1;
        next_code[bits] = code;
    }
    HuffmanCode result{std::vector<std::uint8_t>(lengths.begin(), lengths.end()),
                       std::vector<std::uint16_t>(lengths.size(), 0)};
    for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol)
        if (lengths[symbol] != 0)
            result.codes[symbol] = static_cast<std::uint16_t>(next_code[lengths[symbol]]++);
    return result;
}

const HuffmanCode& fixed_litlen_code() {
    static const HuffmanCode code = canonical_code(FIXED_LITLEN_LENGTHS);
    return code;
}

const HuffmanCode& fixed_distance_code() {
    static const HuffmanCode code = canonical_code(std::vector<std::uint8_t>(FIXED_DISTANCE_SYMBOLS, FIXED_DISTANCE_LENGTH));
    return code;
}

void put_symbol(BitWriter& writer, const HuffmanCode& code, unsigned symbol) {
    if (symbol >= code.lengths.size() || code.lengths[symbol] == 0)
        throw std::invalid_argument("symbol " + std::to_string(symbol) + " has no code");
    put_code(writer, code.codes[symbol], code.lengths[symbol]);
}

SymbolWithExtra length_symbol(unsigned length) {
    if (length < MATCH_LENGTH_MIN || length > MATCH_LENGTH_MAX) throw std::invalid_argument("length outside 3..258");
    unsigned i = LENGTH_BASE.size() - 1;
    while (LENGTH_BASE[i] > length) --i;
    return {FIRST_LENGTH_SYMBOL + i, length - LENGTH_BASE[i], LENGTH_EXTRA[i]};
}

SymbolWithExtra distance_symbol(unsigned distance) {
    if (distance < 1 || distance > LARGEST_DISTANCE) throw std::invalid_argument("distance outside 1..32768");
    unsigned i = DISTANCE_BASE.size() - 1;
    while (DISTANCE_BASE[i] > distance) --i;
    return {i, distance - DISTANCE_BASE[i], DISTANCE_EXTRA[i]};
}

std::vector<LzItem> literals(std::string_view text) {
    std::vector<LzItem> items;
    for (const char c : text) items.push_back(literal(static_cast<std::uint8_t>(c)));
    return items;
}

void put_item(BitWriter& writer, const HuffmanCode& litlen, const HuffmanCode& distance,
              LzItem item) {
    if (item.length == 0) {
        put_symbol(writer, litlen, item.value);
        return;
    }
    const SymbolWithExtra l = length_symbol(item.length);
    put_symbol(writer, litlen, l.symbol);
    put_bits(writer, l.extra, l.extra_bits);
    const SymbolWithExtra d = distance_symbol(item.value);
    put_symbol(writer, distance, d.symbol);
    put_bits(writer, d.extra, d.extra_bits);
}

void put_block_header(BitWriter& writer, bool final, unsigned type) {
    put_bits(writer, final ? 1 : 0, 1);
    put_bits(writer, type, 2);
}

void put_stored_block(BitWriter& writer, bool final, std::span<const std::uint8_t> data) {
    if (data.size() > 0xFFFF) throw std::invalid_argument("stored block above 65,535 bytes");
    const auto len = static_cast<std::uint16_t>(data.size());
    put_stored_block(writer, final, data, len, static_cast<std::uint16_t>(~len));
}

void put_stored_block(BitWriter& writer, bool final, std::span<const std::uint8_t> data,
                      std::uint16_t len, std::uint16_t nlen) {
    put_block_header(writer, final, STORED_BLOCK);
    align_to_byte(writer);
    const std::array<std::uint8_t, 4> lengths = {
        static_cast<std::uint8_t>(len), static_cast<std::uint8_t>(len >> 8),
        static_cast<std::uint8_t>(nlen), static_cast<std::uint8_t>(nlen >> 8)};
    put_bytes(writer, lengths);
    put_bytes(writer, data);
}

void put_fixed_block(BitWriter& writer, bool final, std::span<const LzItem> items) {
    put_block_header(writer, final, FIXED_BLOCK);
    for (const LzItem item : items)
        put_item(writer, fixed_litlen_code(), fixed_distance_code(), item);
    put_symbol(writer, fixed_litlen_code(), END_OF_BLOCK);
}

void put_dynamic_header(BitWriter& writer, const DynamicHeader& header) {
    put_bits(writer, header.hlit, 5);
    put_bits(writer, header.hdist, 5);
    put_bits(writer, header.hclen, 4);
    for (unsigned i = 0; i < header.hclen + FEWEST_CODE_LENGTH_CODES; ++i)
        put_bits(writer, header.code_length_lengths[CODE_LENGTH_ORDER[i]], 3);
    const HuffmanCode code = canonical_code(header.code_length_lengths);
    for (const CodeLengthSymbol item : header.sequence) {
        put_symbol(writer, code, item.symbol);
        put_bits(writer, item.extra, repeat_extra_bits(item.symbol));
    }
}

DynamicHeader dynamic_header_for(std::span<const std::uint8_t> litlen_lengths,
                                 std::span<const std::uint8_t> distance_lengths) {
    if (litlen_lengths.size() < FEWEST_LITLEN_CODES || litlen_lengths.size() > FIXED_LITLEN_SYMBOLS ||
        distance_lengths.empty() || distance_lengths.size() > FIXED_DISTANCE_SYMBOLS)
        throw std::invalid_argument("code length count out of range");
    DynamicHeader header;
    header.hlit = static_cast<unsigned>(litlen_lengths.size() - FEWEST_LITLEN_CODES);
    header.hdist = static_cast<unsigned>(distance_lengths.size() - FEWEST_DISTANCE_CODES);

    std::vector<std::uint8_t> all(litlen_lengths.begin(), litlen_lengths.end());
    all.insert(all.end(), distance_lengths.begin(), distance_lengths.end());
    header.sequence = run_length_symbols(all);

    std::vector<unsigned> used;
    for (const CodeLengthSymbol item : header.sequence)
        if (std::find(used.begin(), used.end(), item.symbol) == used.end())
            used.push_back(item.symbol);
    // A lone code-length code is incomplete, which the format forbids: add a second symbol.
    if (used.size() == 1) used.push_back(used[0] == 0 ? 1 : 0);
    const std::vector<std::uint8_t> lengths = complete_code_lengths(used, CODE_LENGTH_SYMBOLS);
    std::copy(lengths.begin(), lengths.end(), header.code_length_lengths.begin());

    unsigned written = FEWEST_CODE_LENGTH_CODES;
    for (unsigned i = 0; i < CODE_LENGTH_SYMBOLS; ++i)
        if (header.code_length_lengths[CODE_LENGTH_ORDER[i]] != 0)
            written = std::max(written, i + 1);
    header.hclen = written - FEWEST_CODE_LENGTH_CODES;
    return header;
}

std::vector<std::uint8_t> complete_code_lengths(std::span<const unsigned> symbols,
                                                std::size_t alphabet_size) {
    std::vector<std::uint8_t> lengths(alphabet_size, 0);
    const std::size_t k = symbols.size();
    if (k == 0) return lengths;
    if (k == 1) {
        lengths.at(symbols[0]) = 1;
        return lengths;
    }
    // A full tree of depth d has 2^d leaves; joining 2^d - k pairs of them leaves k leaves,
    // 2^d - k of them one level higher.
    const unsigned depth = static_cast<unsigned>(std::bit_width(k - 1));
    const std::size_t shorter = (std::size_t{1} << depth) - k;
    for (std::size_t i = 0; i < k; ++i)
        lengths.at(symbols[i]) = static_cast<std::uint8_t>(i < shorter ? depth - 1 : depth);
    return lengths;
}

BlockCodeLengths code_lengths_for(std::span<const LzItem> items) {
    std::vector<unsigned> litlen_symbols;
    std::vector<unsigned> distance_symbols;
    const auto note = [](std::vector<unsigned>& used, unsigned symbol) {
        if (std::find(used.begin(), used.end(), symbol) == used.end()) used.push_back(symbol);
    };
    for (const LzItem item : items) {
        if (item.length == 0) {
            note(litlen_symbols, item.value);
        } else {
            note(litlen_symbols, length_symbol(item.length).symbol);
            note(distance_symbols, distance_symbol(item.value).symbol);
        }
    }
    note(litlen_symbols, END_OF_BLOCK);
    if (distance_symbols.empty()) distance_symbols.push_back(0);
    const unsigned litlen_size =
        *std::max_element(litlen_symbols.begin(), litlen_symbols.end()) + 1;
    const unsigned distance_size =
        *std::max_element(distance_symbols.begin(), distance_symbols.end()) + 1;
    return {complete_code_lengths(litlen_symbols, std::max(litlen_size, FIRST_LENGTH_SYMBOL)),
            complete_code_lengths(distance_symbols, distance_size)};
}

std::uint64_t put_dynamic_block(BitWriter& writer, bool final,
                                std::span<const std::uint8_t> litlen_lengths,
                                std::span<const std::uint8_t> distance_lengths,
                                std::span<const LzItem> items) {
    put_block_header(writer, final, DYNAMIC_BLOCK);
    put_dynamic_header(writer, dynamic_header_for(litlen_lengths, distance_lengths));
    const std::uint64_t description_end = writer.bit_length;
    const HuffmanCode litlen = canonical_code(litlen_lengths);
    const HuffmanCode distance = canonical_code(distance_lengths);
    for (const LzItem item : items) put_item(writer, litlen, distance, item);
    put_symbol(writer, litlen, END_OF_BLOCK);
    return description_end;
}

}  // namespace test_support
