// The kinds of stream, each tried where its marker lies: the container's header, a strict
// trial decode, then the container's record of the decoded bytes.
#include "stream_finder.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <limits>
#include <span>

#include "alphabet.h"
#include "block_start_check.h"
#include "container_formats.h"
#include "stream_context.h"
#include "trial_decoder.h"

namespace scan {

namespace {

// A trial decode of one candidate, with the file its decoded bytes may go to.
struct Candidate {
    StreamKind kind;
    std::uint64_t offset;
    StreamSource source;
    DecodedFile file;
    TrialDecode trial;
};

char path_buffer[PATH_MAX];

// The offset of a decoded file's name in hexadecimal: at least 8 digits, at most 16.
constexpr std::size_t OFFSET_DIGITS_MOST = std::numeric_limits<std::uint64_t>::digits / 4;

void run_trial(ScanInput& input, Candidate& candidate, StreamChecksum checksum,
               const FinderOptions& options, std::span<const std::uint8_t> expected_start = {}) {
    candidate.file = DecodedFile{nullptr, nullptr, 0};
    if (options.folder != nullptr) {
        // Never cut: the folder is one for which decoded_paths_fit holds.
        std::snprintf(path_buffer, sizeof path_buffer, "%s/%08llX.%s", options.folder,
                      static_cast<unsigned long long>(candidate.offset), kind_name(candidate.kind));
        candidate.file.path = path_buffer;
    }
    candidate.trial = decode_trial(input, candidate.source, checksum, candidate.file, expected_start);
}

// Keeps the decoded file of a stream that got a line and decoded to its final block, and
// removes it otherwise. Returns whether the stream got a line.
bool settle(Candidate& candidate, bool has_line, int& output_error) {
    const bool keep = has_line && candidate.trial.outcome.result == 0;
    finish_decoded_file(candidate.file, keep);
    if (candidate.file.error != 0 && output_error == 0) output_error = candidate.file.error;
    return has_line;
}

void set_line(FoundStream& found, const Candidate& candidate, StreamCheck check,
              std::uint64_t covered_end) {
    found = FoundStream{candidate.kind, candidate.offset, candidate.trial.stream_bytes,
                        candidate.trial.decoded_size, check, covered_end, 0, {}, 0};
}

// A look at the first blocks before a trial: most candidates fail there, and the look costs
// far less than a trial.
bool may_start_at(const ScanInput& input, std::uint64_t offset, CheckedBlocks checked) {
    std::size_t available = 0;
    const std::uint8_t* const bytes = window_bytes(input, offset, &available);
    return bytes == nullptr || may_start_stream({bytes, available}, checked);
}

// gzip and zip get a line once the first block has decoded, whatever follows.
bool first_block_decoded(const TrialDecode& trial) {
    return trial.outcome.result == 0 || trial.outcome.block >= 2;
}

void set_name(FoundStream& found, const std::uint8_t* header, std::size_t offset,
              std::size_t length) {
    found.name_length = std::min(length, NAME_LIMIT);
    std::memcpy(found.name.data(), header + offset, found.name_length);
}

bool try_gzip(ScanInput& input, std::uint64_t position, std::span<const std::uint8_t> here,
              const FinderOptions& options, FoundStream& found, int& output_error) {
    const std::optional<GzipHeader> header = parse_gzip_header(here);
    if (!header || !may_start_at(input, position + header->size, CheckedBlocks::first)) return false;
    Candidate candidate{StreamKind::gzip, position + header->size, {}, {}, {}};
    candidate.source = file_source(input, candidate.offset);
    run_trial(input, candidate, StreamChecksum::crc32, options);
    const TrialDecode& trial = candidate.trial;
    if (!first_block_decoded(trial)) return settle(candidate, false, output_error);

    set_line(found, candidate, StreamCheck::fault, candidate.source.position);
    if (trial.outcome.result == 0) {
        std::uint8_t bytes[GZIP_TRAILER_SIZE];
        const std::size_t got = read_source(input, candidate.source, bytes, sizeof bytes);
        const bool matches = got == sizeof bytes &&
                             gzip_trailer(bytes).crc32 == trial.checksum &&
                             gzip_trailer(bytes).isize == static_cast<std::uint32_t>(trial.decoded_size);
        found.check = matches ? StreamCheck::ok : StreamCheck::bad;
        found.covered_end = candidate.source.position;
    }
    set_name(found, here.data(), header->name_offset, header->name_length);
    return settle(candidate, true, output_error);
}

bool try_rfc1950(ScanInput& input, std::uint64_t position, const FinderOptions& options,
                 FoundStream& found, int& output_error) {
    if (!may_start_at(input, position + RFC1950_HEADER_SIZE, CheckedBlocks::until_final)) return false;
    Candidate candidate{StreamKind::rfc1950, position + RFC1950_HEADER_SIZE, {}, {}, {}};
    candidate.source = file_source(input, candidate.offset);
    run_trial(input, candidate, StreamChecksum::adler32, options);
    if (candidate.trial.outcome.result != 0) return settle(candidate, false, output_error);
    std::uint8_t bytes[RFC1950_TRAILER_SIZE];
    if (read_source(input, candidate.source, bytes, sizeof bytes) != sizeof bytes ||
        big_endian_32(bytes) != candidate.trial.checksum)
        return settle(candidate, false, output_error);
    set_line(found, candidate, StreamCheck::ok, candidate.source.position);
    return settle(candidate, true, output_error);
}

// Whether the zip entry's record of its data matches what was decoded.
bool zip_record_matches(const TrialDecode& trial, std::uint32_t crc, std::uint64_t compressed,
                        std::uint64_t uncompressed, bool zip64) {
    const std::uint64_t decoded = zip64 ? trial.decoded_size : trial.decoded_size & 0xFFFFFFFF;
    return crc == trial.checksum && compressed == trial.stream_bytes && uncompressed == decoded;
}

bool try_zip(ScanInput& input, std::uint64_t position, std::span<const std::uint8_t> here,
             const FinderOptions& options, FoundStream& found, int& output_error) {
    const std::optional<ZipLocalHeader> header = parse_zip_local_header(here);
    if (!header || !may_start_at(input, position + header->size, CheckedBlocks::first)) return false;
    Candidate candidate{StreamKind::zip, position + header->size, {}, {}, {}};
    candidate.source = file_source(input, candidate.offset);
    run_trial(input, candidate, StreamChecksum::crc32, options);
    const TrialDecode& trial = candidate.trial;
    if (!first_block_decoded(trial)) return settle(candidate, false, output_error);

    set_line(found, candidate, StreamCheck::fault, candidate.source.position);
    if (trial.outcome.result == 0 && !header->sizes_follow) {
        const bool matches = zip_record_matches(trial, header->crc32, header->compressed_size,
                                                header->uncompressed_size, header->zip64);
        found.check = matches ? StreamCheck::ok : StreamCheck::bad;
    } else if (trial.outcome.result == 0) {
        std::uint8_t bytes[ZIP_DESCRIPTOR_MAX_SIZE];
        const std::size_t got = read_at(input, candidate.source.position, bytes, sizeof bytes);
        found.check = StreamCheck::bad;
        // With its signature first: a descriptor without one whose CRC-32 equals the
        // signature is still found by the second reading.
        for (const bool with_signature : {true, false}) {
            const std::optional<ZipDescriptor> descriptor =
                zip_descriptor({bytes, got}, header->zip64, with_signature);
            if (!descriptor) continue;
            if (zip_record_matches(trial, descriptor->crc32, descriptor->compressed_size,
                                   descriptor->uncompressed_size, header->zip64)) {
                found.check = StreamCheck::ok;
                found.covered_end = candidate.source.position + descriptor->size;
                break;
            }
        }
    }
    set_name(found, here.data(), header->name_offset, header->name_length);
    return settle(candidate, true, output_error);
}

// The first IDAT chunk after the signature at position, walking the chunks before it.
std::optional<StreamSource> first_idat(ScanInput& input, std::uint64_t position) {
    std::uint8_t signature[sizeof PNG_SIGNATURE];
    if (read_at(input, position, signature, sizeof signature) != sizeof signature ||
        std::memcmp(signature, PNG_SIGNATURE, sizeof PNG_SIGNATURE) != 0)
        return std::nullopt;
    for (std::uint64_t chunk_start = position + sizeof PNG_SIGNATURE;;) {
        std::uint8_t bytes[PNG_CHUNK_HEADER_SIZE];
        if (read_at(input, chunk_start, bytes, sizeof bytes) != sizeof bytes) return std::nullopt;
        const std::optional<PngChunk> chunk = png_chunk_header(bytes);
        if (!chunk || chunk->type == PNG_IEND) return std::nullopt;
        if (chunk->type == PNG_IDAT) return idat_source(chunk_start + sizeof bytes, chunk->length);
        chunk_start += sizeof bytes + chunk->length + PNG_CHUNK_CRC_SIZE;
    }
}

bool try_png(ScanInput& input, std::uint64_t position, const FinderOptions& options,
             FoundStream& found, int& output_error) {
    std::optional<StreamSource> source = first_idat(input, position);
    if (!source) return false;
    std::uint8_t header[RFC1950_HEADER_SIZE];
    if (read_source(input, *source, header, sizeof header) != sizeof header ||
        !is_rfc1950_header(header[0], header[1]) || !next_source_byte(input, *source))
        return false;
    Candidate candidate{StreamKind::png, source->position, *source, {}, {}};
    run_trial(input, candidate, StreamChecksum::adler32, options);
    std::uint8_t trailer[RFC1950_TRAILER_SIZE];
    if (candidate.trial.outcome.result != 0 ||
        read_source(input, candidate.source, trailer, sizeof trailer) != sizeof trailer ||
        big_endian_32(trailer) != candidate.trial.checksum)
        return settle(candidate, false, output_error);
    // The rest of the IDAT run belongs to the image too.
    StreamSource& rest = candidate.source;
    do rest.position = rest.segment_end;
    while (next_source_byte(input, rest));
    set_line(found, candidate, StreamCheck::ok, rest.segment_end + PNG_CHUNK_CRC_SIZE);
    found.parts = rest.parts;
    return settle(candidate, true, output_error);
}

// Raw streams carry no marker and no checksum, so a line needs the final block, enough
// decoded bytes, and enough structure: a dynamic block's code description, which noise
// almost never completes, or enough fixed-code data. A stored block is only four bytes of
// length check before bytes of any value.
bool is_raw_stream(ScanInput& input, Candidate& candidate, const FinderOptions& options,
                   std::span<const std::uint8_t> expected_start = {}) {
    std::uint8_t first = 0;
    if (read_at(input, candidate.offset, &first, 1) != 1) return false;
    candidate.source = file_source(input, candidate.offset);
    run_trial(input, candidate, StreamChecksum::none, options, expected_start);
    const TrialDecode& trial = candidate.trial;
    const bool structured =
        ((first >> 1) & 3) == deflate::DYNAMIC_BLOCK || trial.coded_bytes >= RAW_SHORTEST_CODED;
    return trial.outcome.result == 0 && trial.decoded_size >= RAW_SHORTEST_OUTPUT && structured;
}

bool try_raw(ScanInput& input, std::uint64_t position, std::span<const std::uint8_t> here,
             const FinderOptions& options, FoundStream& found, int& output_error) {
    if (!may_start_stream(here, CheckedBlocks::until_final)) return false;
    const FinderOptions unwritten{options.raw, nullptr};
    Candidate candidate{StreamKind::raw, position, {}, {}, {}};
    if (!is_raw_stream(input, candidate, unwritten)) return settle(candidate, false, output_error);

    // Noise just before a stream can decode as blocks of its own that end where the stream
    // begins, and the scan meets it first. The stream's own start lies shortly after, with
    // the same end, fewer blocks, and decoded bytes that are the end of these. A start inside
    // a block that falls into step with its codes keeps the number of blocks: fixed-code
    // literals do so at every eighth bit.
    static std::uint8_t decoded_from_first_start[worker::BUFFER_SIZE];
    const std::span<const std::uint8_t> first_bytes = first_decoded_bytes();
    std::copy(first_bytes.begin(), first_bytes.end(), decoded_from_first_start);
    const std::uint64_t end = position + candidate.trial.stream_bytes;
    Candidate best = candidate;
    for (std::uint64_t later = position + 1; later <= position + RAW_START_SEARCH && later < end; ++later) {
        Candidate shorter = candidate;
        shorter.offset = later;
        const std::uint64_t skipped = candidate.trial.decoded_size;
        if (!is_raw_stream(input, shorter, unwritten) || later + shorter.trial.stream_bytes != end ||
            shorter.trial.decoded_size > skipped || shorter.trial.outcome.block >= best.trial.outcome.block)
            continue;
        const std::uint64_t prefix = skipped - shorter.trial.decoded_size;
        if (prefix >= first_bytes.size()) continue;
        // Decoded again with the bytes they must start with.
        const std::span<const std::uint8_t> tail(decoded_from_first_start + prefix, first_bytes.size() - prefix);
        if (is_raw_stream(input, shorter, unwritten, tail) && shorter.trial.starts_as_expected)
            best = shorter;
    }
    if (options.folder != nullptr) {
        best.source = file_source(input, best.offset);
        run_trial(input, best, StreamChecksum::none, options);
    }
    set_line(found, best, StreamCheck::none, end);
    return settle(best, true, output_error);
}

}  // namespace

const char* kind_name(StreamKind kind) {
    switch (kind) {
    case StreamKind::gzip:
        return "gzip";
    case StreamKind::rfc1950:
        return "zlib";
    case StreamKind::zip:
        return "zip";
    case StreamKind::png:
        return "png";
    case StreamKind::raw:
        break;
    }
    return "raw";
}

const char* check_name(StreamCheck check) {
    switch (check) {
    case StreamCheck::ok:
        return "ok";
    case StreamCheck::bad:
        return "bad";
    case StreamCheck::fault:
        return "fault";
    case StreamCheck::none:
        break;
    }
    return "none";
}

bool decoded_paths_fit(const char* folder) {
    std::size_t longest_kind = 0;
    for (const StreamKind kind : {StreamKind::gzip, StreamKind::rfc1950, StreamKind::zip, StreamKind::png,
                                  StreamKind::raw})
        longest_kind = std::max(longest_kind, std::strlen(kind_name(kind)));
    // The folder, '/', the offset, '.', the kind and the closing zero.
    return std::strlen(folder) + 1 + OFFSET_DIGITS_MOST + 1 + longest_kind + 1 <= sizeof path_buffer;
}

bool find_stream(ScanInput& input, std::uint64_t position, const FinderOptions& options,
                 FoundStream& found, int& output_error) {
    std::size_t available = 0;
    const std::uint8_t* bytes = window_bytes(input, position, &available);
    if (bytes == nullptr) return false;
    // gzip and zip headers are parsed from the window, which is moved to hold the longest
    // they can be; their markers are rare in any file.
    const bool marker = available >= 2 && may_start_marker(bytes);
    if (marker && (bytes[0] == GZIP_ID1 || bytes[0] == ZIP_SIGNATURE[0])) {
        if (!cover_position(input, position, WINDOW_LOOKAHEAD)) return false;
        bytes = window_bytes(input, position, &available);
        if (bytes == nullptr) return false;
    }
    const std::span<const std::uint8_t> here(bytes, std::min(available, WINDOW_LOOKAHEAD));
    bool has_line = false;
    if (marker) {
        if (bytes[0] == GZIP_ID1)
            has_line = try_gzip(input, position, here, options, found, output_error);
        else if (bytes[0] == ZIP_SIGNATURE[0])
            has_line = try_zip(input, position, here, options, found, output_error);
        else if (bytes[0] == PNG_SIGNATURE[0])
            has_line = try_png(input, position, options, found, output_error);
        else
            has_line = try_rfc1950(input, position, options, found, output_error);
    }
    if (!has_line && options.raw && input.error == 0 && output_error == 0)
        has_line = try_raw(input, position, here, options, found, output_error);
    return has_line;
}

}  // namespace scan
