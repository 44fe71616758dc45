// runtime_baseline <input> <output>: opens two files the way the programs do and ends. Its
// peak resident size is the C runtime's own, the base the programs' memory is measured from.
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    std::FILE* const input = std::fopen(argv[1], "rb");
    std::FILE* const output = std::fopen(argv[2], "wb");
    return input != nullptr && output != nullptr ? 0 : 2;
}
