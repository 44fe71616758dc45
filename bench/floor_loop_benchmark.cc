// The floor loop in memory, without file I/O: what the byte loop alone costs per byte, to
// read beside floor_copy's figure, which includes reading and writing the files.
#include <benchmark/benchmark.h>

#include <vector>

#include "floor_loop.h"

namespace {

constexpr std::size_t INPUT_SIZE = 1 << 20;

FloorLoop loop;

void floor_loop_through_ring(benchmark::State& state) {
    std::vector<std::uint8_t> input(INPUT_SIZE);
    for (std::size_t i = 0; i < input.size(); ++i) input[i] = static_cast<std::uint8_t>(i * 131 + (i >> 9));
    const auto flush = [](const std::uint8_t* bytes, std::size_t) {
        benchmark::DoNotOptimize(bytes);
        benchmark::ClobberMemory();
    };
    for (auto _ : state) copy_through_ring(loop, input.data(), input.data() + input.size(), flush);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(INPUT_SIZE));
}

}  // namespace

BENCHMARK(floor_loop_through_ring);
