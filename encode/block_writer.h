// Coding the block in hand as DEFLATE: its exact cost as a stored, fixed-code or
// dynamic-code block, the choice, the bits, and one statistics line per block written.
#pragma once

#include <cstdint>

#include "coder_state.h"

namespace coder {

// The first count tokens of the block (count >= 1) as the coding of state.coding says:
// one Huffman-coded block, or as many stored blocks as 65,535-byte pieces take. Only the
// last block written of a final token block is marked final.
void write_token_block(CoderState& state, std::uint32_t count, bool final);

// The shortest valid end of a stream: a final fixed-code block with only the end-of-block
// code, for a stream that has no tokens to code.
void write_empty_final_block(CoderState& state);

// Exact sizes in bits of the block as each coding would write it, the block header
// included. They fill state.codes with the counts and, for dynamic codes, the codes.
struct BlockCosts {
    std::uint64_t data_size;  // bytes the tokens replay to
    std::uint64_t stored_bits;
    std::uint64_t fixed_bits;
    std::uint64_t dynamic_bits;
};
BlockCosts block_costs(CoderState& state, std::uint32_t count);

}  // namespace coder
