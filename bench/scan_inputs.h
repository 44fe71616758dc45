// The inputs of streamscan's figures: noise, and a file of the machine's real containers
// concatenated, with the raw streams that a scan finds in it cut out one by one, so that
// rawinflate can decode the same streams in runs of its own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

struct ScanInputsReport {
    std::uint64_t noise_bytes = 0;
    std::uint64_t streams_bytes = 0;
    std::size_t gzip_files = 0;
    std::size_t jar_files = 0;
    std::size_t png_files = 0;
    std::size_t lines = 0;      // streams the scan reports in the concatenated file
    std::size_t cut = 0;        // of them cut out and checked with rawinflate
    std::size_t several_parts = 0;  // PNG streams over several IDAT chunks: not cut
    std::size_t not_ok = 0;         // lines whose check is not ok: not cut
    std::uint64_t cut_decoded = 0;
};

// Writes SCAN_NOISE_FILE (the first bytes of noise), STREAMS_FILE, STREAM_FOLDER and
// STREAM_LIST into folder. Throws when the scan misses a container put in, or rawinflate does
// not decode a cut stream to the size the scan reports.
ScanInputsReport make_scan_inputs(const std::filesystem::path& folder, std::span<const std::uint8_t> noise);
