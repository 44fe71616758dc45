// Containers around raw DEFLATE streams that the tests write: RFC 1950 streams, zip entries with
// and without a data descriptor, and PNG files whose image data span several IDAT chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace test_support {

using Bytes = std::vector<std::uint8_t>;

// CMF 78 (32 KiB window), FLG 9C, the stream, the Adler-32 of data.
Bytes rfc1950_stream_bytes(std::span<const std::uint8_t> raw_stream, std::span<const std::uint8_t> data);

enum class ZipSizes { in_header, descriptor_with_signature, descriptor_without_signature };

// One local file header of method 8, the stream and, as sizes says, a data descriptor.
Bytes zip_entry_bytes(const std::string& name, std::span<const std::uint8_t> raw_stream,
                      std::span<const std::uint8_t> data, ZipSizes sizes);

// A PNG signature, an IHDR chunk, the RFC 1950 stream cut into IDAT chunks of at most
// chunk_size data bytes, and IEND.
Bytes png_file_bytes(std::span<const std::uint8_t> wrapped_stream, std::size_t chunk_size);

void append(Bytes& to, std::span<const std::uint8_t> bytes);

}  // namespace test_support
