// floor_copy <input> <output>: copies a file through the floor loop, reading and writing it
// in 64 KiB blocks like the codec programs, so that its throughput is the table's floor.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "floor_loop.h"

namespace {

FloorLoop loop;
std::uint8_t input_block[FLOOR_BLOCK_SIZE];

int fail(const char* file, const char* what) {
    std::fprintf(stderr, "floor_copy: %s: %s\n", file, what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: floor_copy <input> <output>\n");
        return 2;
    }
    std::FILE* const input = std::fopen(argv[1], "rb");
    if (input == nullptr) return fail(argv[1], std::strerror(errno));
    std::FILE* const output = std::fopen(argv[2], "wb");
    if (output == nullptr) return fail(argv[2], std::strerror(errno));

    bool write_failed = false;
    const auto flush = [&](const std::uint8_t* bytes, std::size_t size) {
        write_failed |= std::fwrite(bytes, 1, size, output) != size;
    };
    for (;;) {
        const std::size_t count = std::fread(input_block, 1, sizeof input_block, input);
        if (count == 0) break;
        copy_through_ring(loop, input_block, input_block + count, flush);
    }
    if (std::ferror(input) != 0) return fail(argv[1], "read error");
    flush(loop.output, loop.output_fill);
    if (write_failed || std::fclose(output) != 0) return fail(argv[2], std::strerror(errno));
    return 0;
}
