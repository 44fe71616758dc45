// streamscan as a user meets it: every stream in a file of containers and junk found with its
// exact extent, which byteslice and rawinflate then take as they stand; damaged and cut
// containers, raw streams between noise, and the failures of its files.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

#include "checksums.h"
#include "container_formats.h"
#include "container_writer.h"
#include "deflate_writer.h"
#include "generated_inputs.h"
#include "gzip_member.h"
#include "program_runner.h"

using namespace test_support;
using namespace deflate;
using namespace scan;

namespace {

namespace fs = std::filesystem;
using Fields = std::map<std::string, std::string>;

std::vector<Fields> scan_lines(const std::string& output) {
    std::vector<Fields> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        Fields fields;
        std::istringstream words(line);
        for (std::string word; words >> word;) {
            const std::size_t equals = word.find('=');
            fields[word.substr(0, equals)] = word.substr(equals + 1);
        }
        lines.push_back(fields);
    }
    return lines;
}

std::string hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%08llX", static_cast<unsigned long long>(value));
    return text;
}

struct Expected {
    std::string kind;
    std::uint64_t offset;
    std::uint64_t length;
    std::string check;
    std::uint32_t crc;  // of the decoded bytes, for gzip and zip
};

// Cuts the line's range with byteslice and decodes it with rawinflate: status 0 and the
// line's d.size. Returns the decoded bytes.
Bytes cut_and_decode(const TempDir& folder, const std::string& file, const Fields& line) {
    const std::string raw = folder.file("cut.raw");
    const std::string out = folder.file("cut.out");
    EXPECT_EQ(run_program(BYTESLICE_PROGRAM, {file, raw, line.at("offset"), line.at("length")}).exit_status, 0);
    EXPECT_EQ(run_program(RAWINFLATE_PROGRAM, {raw, out}).exit_status, 0) << "at " << line.at("offset");
    Bytes decoded = read_file(out);
    EXPECT_EQ(std::to_string(decoded.size()), line.at("d.size")) << "at " << line.at("offset");
    return decoded;
}

std::vector<std::string> machine_files(const char* root, const std::string& suffix,
                                       std::uintmax_t largest, std::size_t most) {
    std::vector<std::string> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error) && !it->is_symlink(error) && it->path().string().ends_with(suffix) &&
            it->file_size(error) <= largest && it->file_size(error) >= 1024)
            files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    files.resize(std::min(files.size(), most));
    return files;
}

std::uint32_t le16(const Bytes& b, std::size_t at) { return b[at] | b[at + 1] << 8; }

// The method-8 entries of a zip file, from its central directory: where each one's data
// lie, its compressed size and its CRC-32.
std::vector<Expected> zip_entries(const Bytes& zip, std::uint64_t base) {
    std::vector<Expected> entries;
    for (std::size_t at = 0; at + 46 <= zip.size(); ++at) {
        if (little_endian_32(&zip[at]) != 0x02014B50 || le16(zip, at + 10) != 8) continue;
        const std::uint32_t local = little_endian_32(&zip[at + 42]);
        const std::size_t data = local + 30 + le16(zip, local + 26) + le16(zip, local + 28);
        entries.push_back({"zip", base + data, little_endian_32(&zip[at + 20]), "ok",
                           little_endian_32(&zip[at + 16])});
    }
    return entries;
}

// The image data of a PNG file, where the raw stream starts and how long it is, joined;
// then the RFC 1950 streams of the zTXt and iCCP chunks after them (a keyword, a zero byte, the
// method byte, the stream). Those before the image data lie inside what the image covers.
std::vector<Expected> png_streams(const Bytes& png, std::uint64_t base) {
    std::vector<Expected> streams = {{"png", 0, 0, "ok", 0}};
    for (std::size_t at = 8; at + 8 <= png.size();) {
        const std::optional<PngChunk> chunk = png_chunk_header(&png[at]);
        if (!chunk) break;
        const std::size_t data = at + 8;
        if (chunk->type == PNG_IDAT) {
            if (streams[0].offset == 0) streams[0].offset = base + data + 2;
            streams[0].length += chunk->length;
        }
        const bool text = chunk->type == 0x7A545874 || chunk->type == 0x69434350;  // zTXt, iCCP
        if (text && streams[0].offset != 0) {
            const std::size_t keyword = std::strlen(reinterpret_cast<const char*>(&png[data]));
            streams.push_back({"zlib", base + data + keyword + 2 + 2, chunk->length - keyword - 2 - 6, "ok", 0});
        }
        at += 12 + chunk->length;
    }
    streams[0].length -= 6;
    return streams;
}

TEST(Streamscan, EveryStreamOfRealContainersBetweenJunkIsFoundAndCutsToItsBytes) {
    Bytes file = random_input(777, 1);
    std::vector<Expected> expected;
    const auto add_junk = [&](std::uint64_t seed) { append(file, random_input(300 + seed * 37, seed)); };
    for (const std::string& path : machine_files("/usr/share/man", ".gz", 16384, 3)) {
        const Bytes member = read_file(path);
        const std::optional<GzipMember> parsed = parse_gzip_member(member);
        ASSERT_TRUE(parsed) << path;
        expected.push_back({"gzip", file.size() + parsed->data_offset, parsed->data_length, "ok",
                            parsed->last_trailer.crc32});
        append(file, member);
        add_junk(expected.size());
    }
    for (const std::string& path : machine_files("/usr/share/java", ".jar", 65536, 1)) {
        const Bytes jar = read_file(path);
        for (const Expected& entry : zip_entries(jar, file.size())) expected.push_back(entry);
        append(file, jar);
        add_junk(expected.size());
    }
    for (const std::string& path : machine_files("/usr/share", ".png", 65536, 2)) {
        const Bytes png = read_file(path);
        for (const Expected& stream : png_streams(png, file.size())) expected.push_back(stream);
        append(file, png);
        add_junk(expected.size());
    }
    if (expected.empty()) GTEST_SKIP() << "no gzip, jar or PNG files on this machine";

    TempDir folder;
    const std::string path = folder.file("containers.bin");
    write_file(path, file);
    const ProgramResult run = run_program(STREAMSCAN_PROGRAM, {path, folder.file("decoded")});
    ASSERT_EQ(run.exit_status, 0) << run.standard_error;
    const std::vector<Fields> lines = scan_lines(run.standard_output);
    ASSERT_EQ(lines.size(), expected.size()) << run.standard_output;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Fields& line = lines[i];
        SCOPED_TRACE(run.standard_output);
        EXPECT_EQ(line.at("kind"), expected[i].kind);
        EXPECT_EQ(line.at("offset"), hex(expected[i].offset));
        EXPECT_EQ(line.at("length"), hex(expected[i].length));
        EXPECT_EQ(line.at("check"), "ok");
        if (line.contains("parts") && line.at("parts") != "1") continue;
        const Bytes decoded = cut_and_decode(folder, path, line);
        if (expected[i].kind == "gzip" || expected[i].kind == "zip") {
            EXPECT_EQ(crc32(decoded), expected[i].crc);
        }
        EXPECT_EQ(read_file(folder.file("decoded/" + line.at("offset") + "." + line.at("kind"))), decoded);
    }
}

// A stream of the test writer with both kinds of Huffman-coded block, over data: dynamic
// first, as encoders begin a stream of this size.
Bytes raw_stream(const Bytes& data) {
    BitWriter writer;
    const std::size_t half = data.size() / 2;
    const std::vector<LzItem> first = literals({reinterpret_cast<const char*>(data.data()), half});
    const std::vector<LzItem> second =
        literals({reinterpret_cast<const char*>(data.data()) + half, data.size() - half});
    const BlockCodeLengths lengths = code_lengths_for(first);
    put_dynamic_block(writer, false, lengths.litlen, lengths.distance, first);
    put_fixed_block(writer, true, second);
    return writer.bytes;
}

struct CraftedCase {
    std::string name;
    Bytes file;
    bool raw;
    std::vector<Fields> lines;  // the fields each line must have, among others
};

Bytes crafted_data() {
    return generated_input(InputKind::text, 3000, 5);
}

std::vector<CraftedCase> crafted_cases() {
    const Bytes data = crafted_data();
    const Bytes stream = raw_stream(data);
    const Bytes noise = random_input(20000, 9);
    const Bytes member = gzip_member_bytes(stream, {crc32(data), static_cast<std::uint32_t>(data.size())});
    const std::string length = hex(stream.size());
    const std::string size = std::to_string(data.size());
    std::vector<CraftedCase> cases;

    Bytes flipped = member;
    flipped[flipped.size() - 5] ^= 0x40;
    cases.push_back({"gzip trailer byte flipped", flipped, false,
                     {{{"kind", "gzip"}, {"offset", "0000000A"}, {"length", length}, {"check", "bad"}}}});
    Bytes cut = noise;
    append(cut, std::span(member).first(member.size() - 30));
    cases.push_back({"gzip member cut off at the end", cut, false,
                     {{{"kind", "gzip"}, {"offset", hex(noise.size() + 10)},
                       {"length", hex(member.size() - 30 - 10)}, {"check", "fault"}}}});
    for (const ZipSizes sizes : {ZipSizes::in_header, ZipSizes::descriptor_with_signature,
                                 ZipSizes::descriptor_without_signature}) {
        Bytes zip = noise;
        append(zip, zip_entry_bytes("dir/a b%.txt", stream, data, sizes));
        append(zip, zip_entry_bytes("next", stream, data, ZipSizes::in_header));
        const std::uint64_t second = zip.size() - stream.size();
        cases.push_back({"zip entries, sizes " + std::to_string(static_cast<int>(sizes)), zip, false,
                         {{{"kind", "zip"}, {"offset", hex(noise.size() + 30 + 12)}, {"length", length},
                           {"d.size", size}, {"check", "ok"}, {"name", "dir/a%20b%25.txt"}},
                          {{"offset", hex(second)}, {"check", "ok"}, {"name", "next"}}}});
    }
    const Bytes wrapped = rfc1950_stream_bytes(stream, data);
    Bytes png = png_file_bytes(wrapped, 100);
    append(png, noise);
    cases.push_back({"png over several IDAT chunks", png, false,
                     {{{"kind", "png"}, {"offset", hex(8 + 25 + 8 + 2)}, {"length", length},
                       {"d.size", size}, {"check", "ok"}, {"parts", std::to_string((wrapped.size() + 99) / 100)}}}});
    Bytes wrapped_twice = wrapped;
    append(wrapped_twice, noise);
    append(wrapped_twice, wrapped);
    cases.push_back({"RFC 1950 streams at offset 0 and at the last byte", wrapped_twice, false,
                     {{{"kind", "zlib"}, {"offset", "00000002"}, {"length", length}, {"check", "ok"}},
                      {{"kind", "zlib"}, {"offset", hex(wrapped.size() + noise.size() + 2)}, {"check", "ok"}}}});
    cases.push_back({"noise", noise, false, {}});
    cases.push_back({"noise, raw streams sought", noise, true, {}});
    Bytes raw = stream;
    append(raw, noise);
    append(raw, stream);
    cases.push_back({"raw streams between noise, at offset 0 and at the last byte", raw, true,
                     {{{"kind", "raw"}, {"offset", "00000000"}, {"length", length}, {"d.size", size},
                       {"check", "none"}},
                      {{"kind", "raw"}, {"offset", hex(stream.size() + noise.size())}, {"length", length},
                       {"d.size", size}}}});
    return cases;
}

TEST(Streamscan, CraftedContainersAndRawStreamsGetTheirLines) {
    for (const CraftedCase& c : crafted_cases()) {
        SCOPED_TRACE(c.name);
        TempDir folder;
        const std::string path = folder.file("crafted.bin");
        write_file(path, c.file);
        std::vector<std::string> arguments = {path};
        if (c.raw) arguments.insert(arguments.begin(), "--raw");
        const ProgramResult run = run_program(STREAMSCAN_PROGRAM, arguments);
        EXPECT_EQ(run.exit_status, 0);
        EXPECT_EQ(run.standard_error, "");
        const std::vector<Fields> lines = scan_lines(run.standard_output);
        ASSERT_EQ(lines.size(), c.lines.size()) << run.standard_output;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            for (const auto& [field, value] : c.lines[i])
                EXPECT_EQ(lines[i].contains(field) ? lines[i].at(field) : "(none)", value)
                    << field << " of line " << i + 1;
            if (lines[i].at("check") == "ok" && !lines[i].contains("parts")) {
                EXPECT_EQ(cut_and_decode(folder, path, lines[i]), crafted_data());
            }
        }
    }
}

TEST(Streamscan, FailuresEndWithStatus2AndOneLine) {
    TempDir folder;
    const std::string file = folder.file("wrapped");
    const Bytes data = crafted_data();
    write_file(file, rfc1950_stream_bytes(raw_stream(data), data));
    const std::string missing = folder.file("missing");
    // The shortest folder whose decoded files may pass PATH_MAX: "/", 16 digits, ".", 4 letters.
    const std::string long_folder = folder.path.string() + std::string(PATH_MAX - 22 - folder.path.string().size(), '/');
    struct Case {
        std::vector<std::string> arguments;
        ProgramStreams streams;
        std::string line;
    };
    const std::vector<Case> cases = {
        {{}, {}, "streamscan: usage: streamscan [--raw] <input> [<folder>]\n"},
        {{file, folder.path.string(), "more"}, {}, "streamscan: usage: streamscan [--raw] <input> [<folder>]\n"},
        {{missing}, {}, "streamscan: " + missing + ": No such file or directory\n"},
        {{"/dev/null"}, {}, "streamscan: /dev/null: cannot be positioned; scan a regular file or a block device\n"},
        {{file, file}, {}, "streamscan: " + file + ": Not a directory\n"},
        {{file, long_folder}, {}, "streamscan: " + long_folder + ": File name too long\n"},
        {{file}, {"", "/dev/full"}, "streamscan: standard output: No space left on device\n"},
    };
    for (const Case& c : cases) {
        const ProgramResult run = run_program(STREAMSCAN_PROGRAM, c.arguments, c.streams);
        EXPECT_EQ(run.exit_status, 2) << c.line;
        EXPECT_EQ(run.standard_error, c.line);
    }
    // A standard input that is a regular file can be positioned.
    const ProgramResult piped = run_program(STREAMSCAN_PROGRAM, {"-"}, {file, ""});
    EXPECT_EQ(piped.exit_status, 0) << piped.standard_error;
}

TEST(Streamscan, FileThatStatesMoreThanItHoldsIsScannedToItsEnd) {
    const std::string path = "/sys/class/net/lo/uevent";  // states 4096 bytes, holds a few
    std::error_code error;
    const std::uintmax_t stated = fs::file_size(path, error);
    if (error || stated <= read_file(path).size()) GTEST_SKIP() << path << " states no more than it holds here";
    const ProgramResult run = run_program(STREAMSCAN_PROGRAM, {path});
    EXPECT_EQ(run.exit_status, 0) << run.standard_error;
}

}  // namespace
