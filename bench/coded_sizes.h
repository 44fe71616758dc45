// What the kit's own compression costs on real text: lztokens at every level, then
// tokdeflate, against the raw streams that the text came in. Sizes only; nothing is timed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct LevelSize {
    int level;
    std::uint64_t token_bytes;  // lztokens' output
    std::uint64_t coded_bytes;  // tokdeflate's raw DEFLATE stream
};

struct CodedSizes {
    std::size_t members = 0;
    std::uint64_t member_stream_bytes = 0;  // the members' own raw streams
    std::uint64_t text_bytes = 0;
    std::vector<LevelSize> levels;
    std::string failure;  // set when a program failed or a stream did not decode back
};

// The members of the inputs folder's list that came from under /usr/share/doc, each decoded
// by rawinflate, tokenized at every level, coded by tokdeflate and decoded again to check it.
CodedSizes measure_coded_sizes(const std::filesystem::path& inputs, const std::filesystem::path& scratch);
