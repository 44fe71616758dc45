// The data of a Huffman-coded block: literals, and back-references copied out of history.
#pragma once

#include <cstdint>

namespace inflate {

struct DecoderState;

// Decodes one block's data with the tables in the state, up to and including the
// end-of-block code. Returns 0, or ERR_INVALID_SYMBOL for a code the tables cannot resolve
// or literal/length symbol 286 or 287.
std::int32_t decode_huffman_block(DecoderState& state);

}  // namespace inflate
