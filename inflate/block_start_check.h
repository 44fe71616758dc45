// A quick look at the first block header of a stream held in memory, without the worker:
// for a scan that tries many offsets where a stream might start, most of which cannot.
#pragma once

#include <cstdint>
#include <span>

// False when bytes cannot start a stream that the decoder would take past its first block
// header: block type 3, a stored block whose NLEN is not the complement of LEN, or a
// dynamic block with too many codes or a code-length code that is not complete. True
// otherwise, also when bytes end before the header does: the decoder then decides.
bool may_start_stream(std::span<const std::uint8_t> bytes);
