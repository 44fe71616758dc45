// DEFLATE streams of our own making for the inputs that have no compressed form on the
// machine: the tokens of lztokens written as fixed-code blocks, or the data as stored blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Items per fixed-code block: one block per 64 KiB buffer of 4-byte tokens.
inline constexpr std::size_t ITEMS_PER_BLOCK = 16384;

// The token stream of lztokens (4-byte records: distance, then literal byte or match length,
// both 16-bit little-endian) as a raw DEFLATE stream of fixed-code blocks, the last final.
// Throws on a record that is neither a literal nor a match RFC 1951 can express.
std::vector<std::uint8_t> fixed_block_stream(std::span<const std::uint8_t> tokens);

// data as a raw DEFLATE stream of full stored blocks, the last final.
std::vector<std::uint8_t> stored_block_stream(std::span<const std::uint8_t> data);
