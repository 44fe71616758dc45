// The look at a stream's first blocks that spares the scan most trial decodes: wherever it
// says no, the strict trial decode must fault (in the first block, when only that one is
// looked at), and on bytes that start no stream it must say no almost everywhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <vector>

#include "block_start_check.h"
#include "deflate_writer.h"
#include "generated_inputs.h"
#include "program_runner.h"
#include "scan_input.h"
#include "trial_decoder.h"

using namespace test_support;
using namespace inflate;
using namespace scan;

namespace {

using Bytes = std::vector<std::uint8_t>;

// The scanner's strict trial decodes, on bytes in a file of their own.
struct TrialFile {
    std::FILE* file = std::tmpfile();
    ScanInput input{};

    explicit TrialFile(const Bytes& bytes) {
        EXPECT_NE(file, nullptr);
        EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
        EXPECT_EQ(std::fflush(file), 0);
        EXPECT_TRUE(start_scan_input(input, file));
    }
    ~TrialFile() { std::fclose(file); }
    TrialFile(const TrialFile&) = delete;
    TrialFile& operator=(const TrialFile&) = delete;

    DecodeOutcome decode_at(std::uint64_t offset) {
        StreamSource source = file_source(input, offset);
        DecodedFile nowhere{nullptr, nullptr, 0};
        const TrialDecode trial = decode_trial(input, source, StreamChecksum::none, nowhere);
        finish_decoded_file(nowhere, false);
        return trial.outcome;
    }
};

struct Looks {
    std::size_t tried = 0;
    std::size_t rejected = 0;
};

// Both looks at every offset from first on, each rejection held against the decoder. The
// bytes lie in an allocation of their own size, so that a look that reads past them shows
// in the sanitizer build.
Looks check_offsets(const Bytes& bytes, std::size_t first, std::size_t count) {
    TrialFile trials(bytes);
    const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    Looks looks;
    for (std::size_t offset = first; offset < first + count && offset < bytes.size(); ++offset) {
        const std::span<const std::uint8_t> here(exact.get() + offset, bytes.size() - offset);
        const bool first_block = may_start_stream(here, CheckedBlocks::first);
        const bool until_final = may_start_stream(here, CheckedBlocks::until_final);
        looks.tried += 1;
        if (first_block && until_final) continue;
        looks.rejected += 1;
        const DecodeOutcome outcome = trials.decode_at(offset);
        EXPECT_NE(outcome.result, 0) << "rejected a stream that decodes, at offset " << offset;
        if (!first_block) {
            EXPECT_EQ(outcome.block, 1u) << "a fault past the first block, at offset " << offset;
        }
        EXPECT_TRUE(first_block || !until_final) << "the longer look took what the first rejected, at " << offset;
    }
    return looks;
}

void put_dynamic(BitWriter& writer, bool final, const std::vector<LzItem>& items) {
    const BlockCodeLengths lengths = code_lengths_for(items);
    put_dynamic_block(writer, final, lengths.litlen, lengths.distance, items);
}

// A stored block, a fixed-code block whose first item copies from it, and a dynamic block.
Bytes three_kinds() {
    BitWriter writer;
    put_stored_block(writer, false, Bytes{'a', 'b', 'c'});
    std::vector<LzItem> items = {match(3, 3)};
    for (const LzItem item : literals("the look ahead of the scan reads the header"))
        items.push_back(item);
    items.push_back(match(12, 20));
    put_fixed_block(writer, false, items);
    put_dynamic(writer, true, items);
    return writer.bytes;
}

// A dynamic block whose distance code is a single code.
Bytes one_distance() {
    BitWriter writer;
    put_dynamic(writer, true, {literal('a'), literal('b'), match(20, 2)});
    return writer.bytes;
}

// A dynamic block whose description repeats one length from the last literal/length codes
// into the distance codes.
Bytes crossing_run() {
    std::vector<std::uint8_t> litlen(257, 0);
    litlen[254] = 1;
    litlen[255] = 2;
    litlen[256] = 2;
    const std::vector<std::uint8_t> distance = {2, 2, 2, 3, 3};
    BitWriter writer;
    const std::vector<LzItem> items = {literal(254), literal(255), literal(254)};
    put_dynamic_block(writer, true, litlen, distance, items);
    return writer.bytes;
}

// A fixed-code block that copies from 30,000 bytes back, out of a stored block before it, with
// codes of every length: 7 and 8 bits for lengths, 8 and 9 for literals.
Bytes far_copy() {
    BitWriter writer;
    put_stored_block(writer, false, random_input(32768, 3));
    const std::vector<LzItem> items = {match(10, 30000), literal('x'), literal(0xE9), match(130, 1)};
    put_fixed_block(writer, true, items);
    return writer.bytes;
}

TEST(BlockStartCheck, RejectsOnlyWhereTheDecoderFaults) {
    struct Case {
        const char* what;
        Bytes bytes;
        std::size_t first;
        double least_rejected;  // of the offsets tried
    };
    const Bytes program = read_file(CODE_SAMPLE);
    ASSERT_GT(program.size(), 32768u);
    const Case cases[] = {
        {"noise", random_input(16384, 11), 0, 0.9},
        {"machine code", program, program.size() / 2 - 8192, 0.9},
        {"text", generated_input(InputKind::text, 16384, 5), 0, 0.9},
    };
    for (const Case& c : cases) {
        const Looks looks = check_offsets(c.bytes, c.first, 16384);
        EXPECT_GE(looks.rejected, c.least_rejected * static_cast<double>(looks.tried)) << c.what;
    }
}

// Short bytes with every first byte, each in an allocation of its own size: in the sanitizer
// build a look that reads past the last byte fails here.
TEST(BlockStartCheck, ReadsNothingPastTheBytes) {
    const Bytes noise = random_input(32, 7);
    for (std::size_t size = 1; size <= noise.size(); ++size) {
        for (unsigned first = 0; first < 256; ++first) {
            const std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size]);
            std::copy(noise.begin(), noise.begin() + static_cast<std::ptrdiff_t>(size), bytes.get());
            bytes[0] = static_cast<std::uint8_t>(first);
            const std::span<const std::uint8_t> span(bytes.get(), size);
            EXPECT_TRUE(may_start_stream(span, CheckedBlocks::until_final) ||
                        !may_start_stream(span, CheckedBlocks::first));
        }
    }
}

TEST(BlockStartCheck, TakesWrittenStreamsAndRejectsNoDamageTheDecoderTakes) {
    for (Bytes stream : {three_kinds(), one_distance(), crossing_run(), far_copy()}) {
        // Bytes after the stream, as in a file, so that the look does not stop short.
        stream.resize(stream.size() + 16, 0xA5);
        ASSERT_EQ(TrialFile(stream).decode_at(0).result, 0);
        EXPECT_TRUE(may_start_stream(stream, CheckedBlocks::first));
        EXPECT_TRUE(may_start_stream(stream, CheckedBlocks::until_final));
    }
    // Every single bit flipped in the first blocks.
    const Bytes stream = three_kinds();
    std::size_t rejected = 0;
    for (std::size_t bit = 0; bit < 8 * std::min<std::size_t>(stream.size(), 64); ++bit) {
        Bytes damaged = stream;
        damaged[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
        rejected += check_offsets(damaged, 0, 1).rejected;
    }
    // Many flips break a length check, an item or the code description where the look sees.
    EXPECT_GE(rejected, 100u);
}

}  // namespace
