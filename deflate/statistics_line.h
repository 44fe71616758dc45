// The line that the kit prints for every block of a stream: rawinflate for each block it
// decodes, tokdeflate for each block it writes, in one format so that the two agree.
#pragma once

#include <cstdint>
#include <cstdio>

namespace deflate {

// One block's sizes: input bytes of its header (the 3 header bits and, for a dynamic block,
// the code description) and of its data, and the bytes it decodes to. 32-bit counts, as the
// decoder keeps them.
struct BlockSizes {
    std::uint32_t type;
    std::uint32_t header_bytes;
    std::uint32_t data_bytes;
    std::uint32_t decoded_bytes;
};

// "type=2 h.size=   47 c.size=  233 d.size=  551", each count printed signed; to lines, or
// nowhere when lines is null.
void print_statistics_line(std::FILE* lines, const BlockSizes& sizes);

}  // namespace deflate
