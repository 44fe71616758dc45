// The statistics line's one format.
#include "statistics_line.h"

namespace deflate {

void print_statistics_line(std::FILE* lines, const BlockSizes& sizes) {
    if (lines == nullptr) return;
    std::fprintf(lines, "type=%i h.size=%5i c.size=%5i d.size=%5i\n", static_cast<int>(sizes.type),
                 static_cast<int>(sizes.header_bytes), static_cast<int>(sizes.data_bytes),
                 static_cast<int>(sizes.decoded_bytes));
}

}  // namespace deflate
