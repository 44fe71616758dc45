// The trial decodes: the decoder worker runs through the same switch as in rawinflate, with
// this driver handing it pieces of the file and taking its output buffer.
#include "trial_decoder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <span>

#include "block_loop.h"
#include "checksums.h"
#include "container_formats.h"
#include "decoder_driver.h"
#include "decoder_state.h"
#include "driver_loop.h"
#include "program_files.h"

namespace scan {

namespace {

using inflate::DecoderState;
using worker::BUFFER_SIZE;
using worker::StreamContext;

DecoderState state;
std::uint8_t piece_buffer[BUFFER_SIZE];
std::uint8_t output_buffer[BUFFER_SIZE];

// How many of the last trial's decoded bytes still wait in output_buffer, and how many it
// held when it was first full or the trial ended.
std::size_t output_waiting = 0;
std::size_t first_buffer_size = 0;

bool starts_with(std::span<const std::uint8_t> decoded, std::span<const std::uint8_t> expected) {
    const std::size_t n = std::min(decoded.size(), expected.size());
    return std::equal(decoded.begin(), decoded.begin() + static_cast<std::ptrdiff_t>(n), expected.begin());
}

std::uint32_t sum(StreamChecksum kind, std::span<const std::uint8_t> bytes, std::uint32_t value) {
    switch (kind) {
    case StreamChecksum::crc32:
        return crc32(bytes, value);
    case StreamChecksum::adler32:
        return adler32(bytes, value);
    case StreamChecksum::none:
        break;
    }
    return value;
}

void write_decoded(DecodedFile& output, std::span<const std::uint8_t> bytes) {
    if (output.path == nullptr || output.error != 0) return;
    if (output.file == nullptr) {
        output.file = std::fopen(output.path, "wb");
        if (output.file == nullptr) {
            output.error = errno;
            return;
        }
    }
    output.error = files::write_bytes(output.file, bytes);
}

// The next piece of the stream for the worker: straight from the window where it lies
// there, else read into piece_buffer. Empty when the stream's bytes have ended.
std::span<const std::uint8_t> next_piece(ScanInput& input, StreamSource& source) {
    if (!next_source_byte(input, source)) return {};
    const std::uint64_t run_left = source.segment_end - source.position;
    std::size_t available = 0;
    const std::uint8_t* bytes = window_bytes(input, source.position, &available);
    std::size_t size = 0;
    if (bytes != nullptr) {
        size = static_cast<std::size_t>(std::min<std::uint64_t>(available, run_left));
    } else {
        size = read_at(input, source.position, piece_buffer,
                       static_cast<std::size_t>(std::min<std::uint64_t>(BUFFER_SIZE, run_left)));
        bytes = piece_buffer;
    }
    source.position += size;
    return {bytes, size};
}

}  // namespace

StreamSource file_source(const ScanInput& input, std::uint64_t start) {
    return StreamSource{start, input.size, false, 1};
}

StreamSource idat_source(std::uint64_t data_start, std::uint32_t length) {
    return StreamSource{data_start, data_start + length, true, 1};
}

bool next_source_byte(ScanInput& input, StreamSource& source) {
    while (source.position >= source.segment_end) {
        if (!source.idat_chunks) return false;
        // The run's CRC, then the next chunk's header.
        std::uint8_t header[PNG_CHUNK_CRC_SIZE + PNG_CHUNK_HEADER_SIZE];
        if (read_at(input, source.segment_end, header, sizeof header) != sizeof header) return false;
        const std::optional<PngChunk> chunk = png_chunk_header(header + PNG_CHUNK_CRC_SIZE);
        if (!chunk || chunk->type != PNG_IDAT) {
            source.idat_chunks = false;
            return false;
        }
        source.position = source.segment_end + sizeof header;
        source.segment_end = source.position + chunk->length;
        source.parts += 1;
    }
    return true;
}

std::size_t read_source(ScanInput& input, StreamSource& source, std::uint8_t* buffer,
                        std::size_t size) {
    std::size_t got = 0;
    while (got < size && next_source_byte(input, source)) {
        const std::size_t n = static_cast<std::size_t>(
            std::min<std::uint64_t>(size - got, source.segment_end - source.position));
        const std::size_t read = read_at(input, source.position, buffer + got, n);
        got += read;
        source.position += read;
        if (read < n) break;
    }
    return got;
}

TrialDecode decode_trial(ScanInput& input, StreamSource& source, StreamChecksum checksum,
                         DecodedFile& output, std::span<const std::uint8_t> expected_start) {
    inflate::reset_decoder(state, output_buffer, nullptr, true);
    StreamContext& context = state.context;
    TrialDecode trial{};
    trial.checksum = checksum == StreamChecksum::adler32 ? ADLER32_START : 0;
    std::uint64_t handed = 0;
    const auto hand_over = [&] {
        const std::span<const std::uint8_t> piece = next_piece(input, source);
        if (piece.empty()) context.end_of_input = 1;
        handed += piece.size();
        context.in_pos = context.in_begin = piece.data();
        context.in_end = piece.data() + piece.size();
    };
    // Handed over before the start, so that a candidate that fails at once costs one switch
    // there and one back: most candidates do.
    hand_over();

    worker::drive_worker(
        context, inflate::decoder_entry,
        [&](StreamContext&) {
            hand_over();
            return 0;
        },
        [&](std::span<const std::uint8_t> bytes, bool last) {
            if (trial.decoded_size == 0) {
                first_buffer_size = bytes.size();
                trial.starts_as_expected = starts_with(bytes, expected_start);
            }
            trial.checksum = sum(checksum, bytes, trial.checksum);
            trial.decoded_size += bytes.size();
            // The last buffer waits: finish_decoded_file writes it only for a stream kept.
            if (last) output_waiting = bytes.size();
            else write_decoded(output, bytes);
            return 0;
        });
    // The last piece lies within one run, so the bytes it did not take do too.
    const auto unread = static_cast<std::uint64_t>(context.in_end - context.in_pos);
    source.position -= unread;
    trial.stream_bytes = handed - unread;
    trial.coded_bytes = state.bytes_in;
    trial.outcome = state.outcome;
    return trial;
}

std::span<const std::uint8_t> first_decoded_bytes() {
    return {output_buffer, first_buffer_size};
}

void finish_decoded_file(DecodedFile& output, bool keep) {
    if (output.path == nullptr) return;
    if (keep) {
        write_decoded(output, {output_buffer, output_waiting});
        if (output.file != nullptr && std::fclose(output.file) != 0 && output.error == 0)
            output.error = errno;
    } else if (output.file != nullptr) {
        std::fclose(output.file);
        std::remove(output.path);
    }
    output.file = nullptr;
}

}  // namespace scan
