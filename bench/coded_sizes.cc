// The coded sizes of the real text, level by level.
#include "coded_sizes.h"

#include <fstream>

#include "input_names.h"
#include "program_runner.h"

using namespace test_support;

namespace {

constexpr int LEVELS = 10;
const std::string DOC_FOLDER = "/usr/share/doc/";

}  // namespace

CodedSizes measure_coded_sizes(const std::filesystem::path& inputs, const std::filesystem::path& scratch) {
    CodedSizes sizes;
    for (int level = 0; level < LEVELS; ++level) sizes.levels.push_back({level, 0, 0});
    const std::string text = (scratch / "member.txt").string();
    const std::string tokens = (scratch / "member.tok").string();
    const std::string coded = (scratch / "member.raw").string();
    const std::string back = (scratch / "member.back").string();

    std::ifstream list(inputs / MEMBER_LIST);
    std::string name;
    std::uint64_t size = 0;
    std::string source;
    while (list >> name >> size && std::getline(list, source)) {
        if (source.find(DOC_FOLDER) != 1) continue;  // the line keeps the space before the path
        const std::filesystem::path stream = inputs / MEMBER_FOLDER / name;
        if (run_program(RAWINFLATE_PROGRAM, {stream.string(), text}).exit_status != 0) {
            sizes.failure = "rawinflate failed on " + name;
            return sizes;
        }
        const std::vector<std::uint8_t> original = read_file(text);
        sizes.members += 1;
        sizes.member_stream_bytes += std::filesystem::file_size(stream);
        sizes.text_bytes += original.size();
        for (LevelSize& level : sizes.levels) {
            const bool made =
                run_program(LZTOKENS_PROGRAM, {text, tokens, std::to_string(level.level)}).exit_status == 0 &&
                run_program(TOKDEFLATE_PROGRAM, {tokens, coded}).exit_status == 0 &&
                run_program(RAWINFLATE_PROGRAM, {coded, back}).exit_status == 0;
            if (!made || read_file(back) != original) {
                sizes.failure = name + " at level " + std::to_string(level.level) + " does not come back";
                return sizes;
            }
            level.token_bytes += std::filesystem::file_size(tokens);
            level.coded_bytes += std::filesystem::file_size(coded);
        }
    }
    for (const std::string& file : {text, tokens, coded, back}) std::filesystem::remove(file);
    if (sizes.members == 0) sizes.failure = "no gzip text member from " + DOC_FOLDER;
    return sizes;
}
