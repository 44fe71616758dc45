// Running rawinflate in a temporary folder, and the expectations the tests share.
#include "rawinflate_check.h"

#include <cstdio>
#include <filesystem>

Inflated inflate_stream(std::span<const std::uint8_t> stream) {
    TempDir folder;
    Inflated result{};
    result.input_path = folder.file("stream.raw");
    const std::string output_path = folder.file("stream.out");
    write_file(result.input_path, std::vector<std::uint8_t>(stream.begin(), stream.end()));
    result.run = run_rawinflate({result.input_path, output_path});
    result.output_exists = std::filesystem::exists(output_path);
    if (result.output_exists) result.output = read_file(output_path);
    return result;
}

ProgramResult run_rawinflate(const std::vector<std::string>& arguments) {
    return run_program(RAWINFLATE_PROGRAM, arguments);
}

std::string statistics_line(unsigned type, int header_size, int data_size, int produced) {
    char line[100];
    std::snprintf(line, sizeof line, "type=%u h.size=%5d c.size=%5d d.size=%5d\n", type,
                  header_size, data_size, produced);
    return line;
}

std::string fault_line(const std::string& input_path, const std::string& fault, unsigned block) {
    return "rawinflate: " + input_path + ": " + fault + " in block " + std::to_string(block) + "\n";
}

std::string cut_line(const std::string& input_path, unsigned block) {
    return "rawinflate: " + input_path + ": input ends inside block " + std::to_string(block) + "\n";
}

int fetched_bytes(std::uint64_t bit_position) {
    return static_cast<int>((bit_position + 7) / 8);
}

std::string statistics_line(const BlockSpan& block) {
    return statistics_line(block.type, fetched_bytes(block.header_end) - fetched_bytes(block.start),
                           fetched_bytes(block.end) - fetched_bytes(block.header_end),
                           block.produced);
}

std::vector<std::uint8_t> expand_items(std::vector<std::uint8_t> before,
                                       std::span<const LzItem> items) {
    std::vector<std::uint8_t> out = std::move(before);
    for (const LzItem item : items) {
        if (item.length == 0) {
            out.push_back(static_cast<std::uint8_t>(item.value));
            continue;
        }
        for (unsigned i = 0; i < item.length; ++i)
            out.push_back(out.size() >= item.value ? out[out.size() - item.value] : 0);
    }
    return out;
}

std::vector<std::uint8_t> pattern_bytes(std::size_t count, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t x = seed * 2654435761u + 1;
    for (std::uint8_t& byte : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        byte = static_cast<std::uint8_t>(x >> 24);
    }
    return bytes;
}

std::vector<std::uint8_t> bytes_of(std::string_view text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::vector<LzItem> literals_then(std::string_view text, std::initializer_list<LzItem> more) {
    std::vector<LzItem> items = literals(text);
    items.insert(items.end(), more.begin(), more.end());
    return items;
}
