// A quick look at the first blocks of a stream held in memory, without the worker: for a
// scan that tries many offsets where a stream might start, most of which cannot.
#pragma once

#include <cstdint>
#include <span>

namespace scan {

// How far a look goes: a container whose first block alone earns a line needs only that
// one; a stream that must reach its final block fails at a fault in any.
enum class CheckedBlocks { first, until_final };

// False when a strict decoder that starts a stream at bytes faults in its first block, or,
// with until_final, in a later one: block type 3; a stored block whose NLEN is not the
// complement of LEN; in a fixed-code block, literal/length symbol 286 or 287, distance
// symbol 30 or 31, or a distance before the start; a dynamic block's code description that
// read_dynamic_header rejects. Looks at the data of fixed-code and stored blocks only, and
// at the first few items and blocks. True otherwise, also when bytes end before the look
// does: the decoder then decides.
bool may_start_stream(std::span<const std::uint8_t> bytes, CheckedBlocks checked);

}  // namespace scan
