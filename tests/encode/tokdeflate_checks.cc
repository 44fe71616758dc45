// The helpers of the tokdeflate tests.
#include "tokdeflate_checks.h"

Bytes text_bytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes token_file(const std::vector<HandToken>& tokens) {
    Bytes file;
    for (const HandToken& token : tokens)
        for (const unsigned field : {unsigned{token.distance}, unsigned{token.value}}) {
            file.push_back(static_cast<std::uint8_t>(field));
            file.push_back(static_cast<std::uint8_t>(field >> 8));
        }
    return file;
}

Bytes replay(const std::vector<HandToken>& tokens) {
    Bytes data;
    for (const HandToken& token : tokens) {
        if (token.distance == 0) {
            data.push_back(static_cast<std::uint8_t>(token.value));
            continue;
        }
        for (unsigned k = 0; k < token.value; ++k)
            data.push_back(data[data.size() - token.distance]);
    }
    return data;
}

CodedRun code_and_decode(const Bytes& tokens, const std::string& mode) {
    TempDir folder;
    write_file(folder.file("tokens"), tokens);
    std::vector<std::string> arguments = {folder.file("tokens"), folder.file("stream")};
    if (!mode.empty()) arguments.push_back(mode);
    CodedRun run;
    run.coder = run_program(TOKDEFLATE_PROGRAM, arguments);
    run.stream = read_file(folder.file("stream"));
    run.inflater = run_program(RAWINFLATE_PROGRAM, {folder.file("stream"), folder.file("decoded")});
    run.decoded = read_file(folder.file("decoded"));
    return run;
}

Bytes lztokens_of(const Bytes& data, const int level) {
    TempDir folder;
    write_file(folder.file("data"), data);
    const ProgramResult run =
        run_program(LZTOKENS_PROGRAM, {folder.file("data"), folder.file("tokens"), std::to_string(level)});
    if (run.exit_status != 0) return {};
    return read_file(folder.file("tokens"));
}
