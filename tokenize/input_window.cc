// The tokenizer's input area and its refill: the carry, the 64 KiB read and the trace line.
#include "input_window.h"

#include <cstring>

#include "program_files.h"

namespace tokenize {

namespace {

alignas(64) std::uint8_t input_area[INPUT_AREA_SIZE];
std::uint8_t* const read_area = input_area + READ_OFFSET;

}  // namespace

InputWindow start_input(TokenizerState& state) {
    std::memset(input_area, 0, sizeof input_area);
    StreamContext& context = state.context;
    context.in_pos = nullptr;
    context.in_begin = nullptr;
    context.in_end = nullptr;
    context.end_of_input = 0;
    state.data_end = nullptr;
    return InputWindow{1, 0, static_cast<std::int32_t>(CARRY_SIZE)};
}

int refill_input(InputWindow& window, TokenizerState& state, std::FILE* input, std::FILE* trace) {
    // At the first refill this moves zero bytes, at the final one bytes never used.
    std::memcpy(read_area - CARRY_SIZE, read_area + BUFFER_SIZE - CARRY_SIZE, CARRY_SIZE);
    std::size_t count = 0;
    if (const int error = files::read_block(input, read_area, BUFFER_SIZE, count); error != 0)
        return error;
    if (trace != nullptr)
        std::fprintf(trace, "%i %i %i %08X %i\n", window.first_block, window.last_block,
                     static_cast<int>(count),
                     static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(read_area) & 0xFFFFFFFFu),
                     window.carry_size);

    StreamContext& context = state.context;
    if (window.last_block != 0) {
        context.end_of_input = 1;
        return 0;
    }
    // After the first block the bytes held back last time come first.
    const std::uint8_t* const start = window.first_block != 0 ? read_area : read_area - HOLD_BACK;
    context.in_pos = start;
    context.in_begin = start;
    state.data_end = read_area + count;
    if (count == BUFFER_SIZE) {
        context.in_end = read_area + count - HOLD_BACK;
        window.first_block = 0;
    } else {
        context.in_end = read_area + count;
        window.last_block = 1;
    }
    return 0;
}

}  // namespace tokenize
