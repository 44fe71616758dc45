// The first block header read straight from memory, rejecting exactly what the block loop,
// read_dynamic_header and the stored block copy of a strict decoder reject at that point.
#include "block_start_check.h"

#include <bit>
#include <cstring>

#include "decoder_state.h"
#include "dynamic_header.h"

namespace {

// The dynamic header this check reads ends within 3 + 14 bits and 19 lengths of 3 bits;
// each field is taken from the 8 bytes at its first byte.
constexpr std::size_t LONGEST_HEADER = (3 + 14 + 19 * 3) / 8 + 8;

// Bits from memory, first bit lowest, as the decoder's bit reader takes them.
struct MemoryBits {
    const std::uint8_t* bytes;
    std::size_t position;  // in bits
};

static_assert(std::endian::native == std::endian::little, "the word load puts the first byte lowest");

std::uint32_t take(MemoryBits& bits, unsigned n) {
    std::uint64_t word;
    std::memcpy(&word, bits.bytes + bits.position / 8, sizeof word);
    const auto value = static_cast<std::uint32_t>((word >> (bits.position % 8)) & ((1u << n) - 1));
    bits.position += n;
    return value;
}

}  // namespace

bool may_start_stream(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return true;
    const unsigned type = (bytes[0] >> 1) & 3;
    if (type == RESERVED_BLOCK) return false;
    if (type == STORED_BLOCK) {
        // LEN and NLEN start at the next byte.
        if (bytes.size() < 5) return true;
        return (bytes[1] ^ bytes[3]) == 0xFF && (bytes[2] ^ bytes[4]) == 0xFF;
    }
    if (type != DYNAMIC_BLOCK || bytes.size() < LONGEST_HEADER) return true;
    MemoryBits bits{bytes.data(), 3};
    const unsigned nlen = take(bits, 5) + 257;
    const unsigned ndist = take(bits, 5) + 1;
    const unsigned ncode = take(bits, 4) + 4;
    if (nlen > MAX_LITLEN_CODES || ndist > MAX_DISTANCE_CODES) return false;
    // read_dynamic_header takes a code-length code only when its lengths fill the code space
    // exactly, or when it has no codes at all: in units of codes of the longest length, 7
    // bits, the lengths must add up to all 128 or to nothing.
    constexpr unsigned LONGEST = 7;
    unsigned filled = 0;
    for (unsigned i = 0; i < ncode; ++i) {
        const std::uint32_t length = take(bits, 3);
        if (length != 0) filled += 1u << (LONGEST - length);
    }
    return filled == 0 || filled == 1u << LONGEST;
}
