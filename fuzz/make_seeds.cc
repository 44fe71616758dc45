// Writes the seed corpora of the harnesses: streams from the test stream writer, containers
// around them, generated data, and a few small real files found on the machine. Nothing
// binary is kept in the repository; every test run makes the seeds afresh.
//   make_seeds <folder>   (writes <folder>/<program> for each harness)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "checksums.h"
#include "container_writer.h"
#include "deflate_writer.h"
#include "generated_inputs.h"
#include "gzip_member.h"
#include "program_runner.h"

using namespace test_support;
using namespace scan;
using namespace deflate;

namespace fs = std::filesystem;

namespace {

struct SeedFolder {
    fs::path path;
    int count = 0;
    void add(const Bytes& bytes) { write_file((path / ("seed-" + std::to_string(count++))).string(), bytes); }
};

Bytes text_bytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Up to `most` regular files below root no larger than `largest`, in a fixed order.
std::vector<fs::path> small_files(const fs::path& root, const std::string& suffix, std::size_t most,
                                  std::uintmax_t largest) {
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error) && it->path().string().ends_with(suffix) &&
            it->file_size(error) <= largest)
            found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    if (found.size() > most) {
        std::vector<fs::path> spread;
        for (std::size_t i = 0; i < most; ++i) spread.push_back(found[i * found.size() / most]);
        found.swap(spread);
    }
    return found;
}

void rawinflate_seeds(SeedFolder& seeds) {
    const std::string text = "A seed for the decoder: a line, a line, a line again.\n";
    BitWriter stored;
    put_stored_block(stored, false, text_bytes(text));
    put_stored_block(stored, true, {});
    seeds.add(stored.bytes);

    BitWriter fixed;
    std::vector<LzItem> items = literals(text);
    items.push_back(match(30, 9));
    items.push_back(match(258, 1));
    put_fixed_block(fixed, true, items);
    seeds.add(fixed.bytes);

    BitWriter dynamic;
    const std::vector<unsigned> used = {'a', 'e', ' ', '\n', END_OF_BLOCK, 257, 265, 285};
    const std::vector<unsigned> distances = {0, 4, 9, 29};
    put_dynamic_block(dynamic, false, complete_code_lengths(used, 286), complete_code_lengths(distances, 30),
                      std::vector<LzItem>{literal('a'), literal(' '), match(3, 1), match(11, 5), literal('\n')});
    put_fixed_block(dynamic, true, items);
    seeds.add(dynamic.bytes);

    // Raw streams of real gzip members: what real compressors write.
    for (const fs::path& path : small_files("/usr/share/doc", ".gz", 8, 16384)) {
        const Bytes file = read_file(path.string());
        if (const auto member = parse_gzip_member(file))
            seeds.add(Bytes(file.begin() + static_cast<std::ptrdiff_t>(member->data_offset),
                            file.begin() + static_cast<std::ptrdiff_t>(member->data_offset + member->data_length)));
    }
}

void lztokens_seeds(SeedFolder& seeds) {
    for (const std::uint8_t level : {0, 1, 3, 4, 8, 9}) {
        Bytes seed = {level};
        const std::string text = "abcabcabcabcabcabcabc xxabcXabcYabcZ the the the ";
        seed.insert(seed.end(), text.begin(), text.end());
        seed.insert(seed.end(), 300, 'z');
        seeds.add(seed);
    }
    std::uint8_t level = 0;
    for (const fs::path& path : small_files("/usr/share/common-licenses", "", 4, 65536)) {
        Bytes seed = {level++};
        const Bytes file = read_file(path.string());
        seed.insert(seed.end(), file.begin(), file.end());
        seeds.add(seed);
    }
}

// Token files: a literal, a match, then the one bad token of each kind in turn.
void tokdeflate_seeds(SeedFolder& seeds) {
    const std::vector<std::vector<std::uint8_t>> tails = {
        {}, {0, 0, 0, 1}, {1, 0, 2, 0}, {1, 0, 3, 1}, {1, 0x80, 3, 0}, {0, 0x40, 3, 0}, {0, 0, 'x'}};
    for (std::uint8_t coding = 0; coding < 4; ++coding) {
        for (const std::vector<std::uint8_t>& tail : tails) {
            Bytes seed = {coding};
            for (const char c : std::string("tokens, tokens"))
                seed.insert(seed.end(), {0, 0, static_cast<std::uint8_t>(c), 0});
            seed.insert(seed.end(), {8, 0, 6, 0, 1, 0, 2, 1});  // matches (8, 6) and (1, 258)
            seed.insert(seed.end(), tail.begin(), tail.end());
            seeds.add(seed);
        }
    }
}

void byteslice_seeds(SeedFolder& seeds) {
    for (const std::uint8_t way : {0, 1}) {
        Bytes seed = {3, 0, 0, 0, 10, 0, 0, 0, way};
        const std::string text = "0123456789abcdefghijklmnopqrstuvwxyz";
        seed.insert(seed.end(), text.begin(), text.end());
        seeds.add(seed);
    }
}

// The first byte picks the scan: even for containers only, odd with raw streams sought.
void streamscan_seeds(SeedFolder& seeds) {
    const Bytes data = generated_input(InputKind::text, 1500, 3);
    BitWriter writer;
    const std::vector<LzItem> items = literals({reinterpret_cast<const char*>(data.data()), data.size()});
    const BlockCodeLengths lengths = code_lengths_for(items);
    put_dynamic_block(writer, true, lengths.litlen, lengths.distance, items);
    const Bytes& raw = writer.bytes;
    const Bytes noise = random_input(200, 4);
    const std::vector<Bytes> streams = {
        gzip_member_bytes(raw, {crc32(data), static_cast<std::uint32_t>(data.size())}),
        rfc1950_stream_bytes(raw, data),
        zip_entry_bytes("a.txt", raw, data, ZipSizes::descriptor_with_signature),
        zip_entry_bytes("b.txt", raw, data, ZipSizes::in_header),
        png_file_bytes(rfc1950_stream_bytes(raw, data), 64),
    };
    for (const std::uint8_t mode : {0, 1, 2, 3, 4, 5}) {  // bits 1 and 2: the stated size
        Bytes all = {mode};
        for (const Bytes& stream : streams) {
            append(all, stream);
            append(all, noise);
        }
        append(all, raw);
        seeds.add(all);
    }
    // A raw stream at the very start, where the harness also holds the look against it.
    Bytes alone = {0};
    append(alone, raw);
    seeds.add(alone);
    // Real containers of the machine, one of each kind.
    for (const auto& [root, suffix] : {std::pair{"/usr/share/man", ".gz"}, std::pair{"/usr/share/java", ".jar"},
                                       std::pair{"/usr/share", ".png"}}) {
        for (const fs::path& path : small_files(root, suffix, 1, 16384)) {
            Bytes seed = {0};
            append(seed, read_file(path.string()));
            seeds.add(seed);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds <folder>\n");
        return 2;
    }
    const fs::path root = argv[1];
    SeedFolder rawinflate{root / "rawinflate"}, lztokens{root / "lztokens"}, byteslice{root / "byteslice"},
        streamscan{root / "streamscan"}, tokdeflate{root / "tokdeflate"};
    for (SeedFolder* folder : {&rawinflate, &lztokens, &byteslice, &streamscan, &tokdeflate}) {
        fs::remove_all(folder->path);
        fs::create_directories(folder->path);
    }
    rawinflate_seeds(rawinflate);
    lztokens_seeds(lztokens);
    byteslice_seeds(byteslice);
    streamscan_seeds(streamscan);
    tokdeflate_seeds(tokdeflate);
    std::printf("seeds: %d rawinflate, %d lztokens, %d byteslice, %d streamscan, %d tokdeflate\n",
                rawinflate.count, lztokens.count, byteslice.count, streamscan.count, tokdeflate.count);
    return 0;
}
