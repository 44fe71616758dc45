// Token records to LZ items to fixed-code blocks, through the test stream writer.
#include "token_streams.h"

#include <algorithm>
#include <stdexcept>

#include "deflate_writer.h"

using namespace test_support;

namespace {

constexpr std::size_t TOKEN_SIZE = 4;
constexpr std::size_t MAX_STORED_BLOCK = 65535;  // LEN is 16 bits, RFC 1951 section 3.2.4
constexpr unsigned MIN_MATCH = 3;
constexpr unsigned MAX_MATCH = 258;
constexpr unsigned MAX_DISTANCE = 32768;
constexpr unsigned BYTE_VALUES = 256;

LzItem item_of_token(std::span<const std::uint8_t, TOKEN_SIZE> token) {
    const unsigned distance = token[0] | token[1] << 8;
    const unsigned value = token[2] | token[3] << 8;
    if (distance == 0) {
        if (value >= BYTE_VALUES) throw std::runtime_error("literal token above 255");
        return literal(static_cast<std::uint8_t>(value));
    }
    if (value < MIN_MATCH || value > MAX_MATCH || distance > MAX_DISTANCE)
        throw std::runtime_error("match token outside RFC 1951's lengths and distances");
    return match(value, distance);
}

}  // namespace

std::vector<std::uint8_t> fixed_block_stream(std::span<const std::uint8_t> tokens) {
    if (tokens.size() % TOKEN_SIZE != 0) throw std::runtime_error("token file cut inside a token");
    const std::size_t count = tokens.size() / TOKEN_SIZE;
    BitWriter writer;
    std::vector<LzItem> block;
    block.reserve(ITEMS_PER_BLOCK);
    // An empty token stream still needs its one final block.
    std::size_t next = 0;
    do {
        block.clear();
        const std::size_t end = std::min(count, next + ITEMS_PER_BLOCK);
        for (; next < end; ++next)
            block.push_back(item_of_token(tokens.subspan(next * TOKEN_SIZE).first<TOKEN_SIZE>()));
        put_fixed_block(writer, next == count, block);
    } while (next < count);
    return std::move(writer.bytes);
}

std::vector<std::uint8_t> stored_block_stream(std::span<const std::uint8_t> data) {
    BitWriter writer;
    std::size_t next = 0;
    do {
        const std::size_t size = std::min(MAX_STORED_BLOCK, data.size() - next);
        put_stored_block(writer, next + size == data.size(), data.subspan(next, size));
        next += size;
    } while (next < data.size());
    return std::move(writer.bytes);
}
