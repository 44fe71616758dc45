// The code description of a dynamic block (RFC 1951 section 3.2.7).
#pragma once

#include <cstdint>

namespace inflate {

struct DecoderState;

// Reads the code description that follows a type 2 block header and leaves the block's
// codes in litlen_table and distance_table. Returns 0, or ERR_TOO_MANY_CODES ..
// ERR_INVALID_SYMBOL at the first fault.
std::int32_t read_dynamic_header(DecoderState& state);

}  // namespace inflate
