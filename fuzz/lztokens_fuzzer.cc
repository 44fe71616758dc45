// Fuzz harness for lztokens: any bytes at any level must give a token stream that replays
// to exactly those bytes, with every distance and length in range. The first byte of the
// fuzz input picks the level; the rest is the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "fuzz_files.h"
#include "token_replayer.h"
#include "tokenizer_driver.h"

using namespace fuzz_files;
using namespace test_support;
using namespace tokenize;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    silence_standard_output();
    const std::int32_t level = data[0] % 10;
    const std::span<const std::uint8_t> file(data + 1, size - 1);

    std::FILE* const input = open_memory_input(file);
    MemoryOutput output = open_memory_output();
    const TokenizeResult result = tokenize_file(input, output.stream, stdout, level);
    std::fclose(input);
    const std::vector<std::uint8_t> tokens = close_memory_output(output);

    require(result.outcome == worker::DriveOutcome::finished, "tokenizing a memory file failed");
    const Replay replay = replay_tokens(tokens);
    require(replay.error.empty(), replay.error.c_str());
    require(replay.bytes.size() == file.size() &&
                std::equal(replay.bytes.begin(), replay.bytes.end(), file.begin()),
            "the tokens do not rebuild the input");
    return 0;
}
