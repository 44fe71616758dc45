// Containers written field by field, little-endian for zip, big-endian for RFC 1950 streams and PNG.
#include "container_writer.h"

#include <algorithm>
#include <array>

#include "checksums.h"
#include "container_formats.h"

namespace test_support {

using namespace scan;

namespace {

void put_le(Bytes& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void put_be32(Bytes& bytes, std::uint32_t value) {
    for (int i = 3; i >= 0; --i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void put_chunk(Bytes& file, const char* type, std::span<const std::uint8_t> data) {
    put_be32(file, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = file.size();
    file.insert(file.end(), type, type + 4);
    append(file, data);
    put_be32(file, crc32(std::span(file).subspan(start)));
}

}  // namespace

void append(Bytes& to, std::span<const std::uint8_t> bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

Bytes rfc1950_stream_bytes(std::span<const std::uint8_t> raw_stream, std::span<const std::uint8_t> data) {
    // Reserved first: g++ 12 at -O3 warns of a false array-bounds fault when the two-byte
    // vector grows by insert.
    Bytes bytes;
    bytes.reserve(RFC1950_HEADER_SIZE + raw_stream.size() + RFC1950_TRAILER_SIZE);
    bytes.push_back(0x78);
    bytes.push_back(0x9C);
    append(bytes, raw_stream);
    put_be32(bytes, adler32(data));
    return bytes;
}

Bytes zip_entry_bytes(const std::string& name, std::span<const std::uint8_t> raw_stream,
                      std::span<const std::uint8_t> data, ZipSizes sizes) {
    const bool follow = sizes != ZipSizes::in_header;
    const std::uint32_t crc = crc32(data);
    Bytes bytes(ZIP_SIGNATURE, ZIP_SIGNATURE + 4);
    put_le(bytes, 20, 2);                 // version needed
    put_le(bytes, follow ? 0x0008 : 0, 2);  // flags: bit 3, sizes follow
    put_le(bytes, 8, 2);                  // method: deflate
    put_le(bytes, 0, 4);                  // time and date
    for (const std::uint32_t field : {crc, static_cast<std::uint32_t>(raw_stream.size()),
                                      static_cast<std::uint32_t>(data.size())})
        put_le(bytes, follow ? 0 : field, 4);
    put_le(bytes, static_cast<std::uint32_t>(name.size()), 2);
    put_le(bytes, 0, 2);                  // no extra field
    bytes.insert(bytes.end(), name.begin(), name.end());
    append(bytes, raw_stream);
    if (sizes == ZipSizes::descriptor_with_signature) append(bytes, std::array<std::uint8_t, 4>{0x50, 0x4B, 0x07, 0x08});
    if (follow) {
        put_le(bytes, crc, 4);
        put_le(bytes, static_cast<std::uint32_t>(raw_stream.size()), 4);
        put_le(bytes, static_cast<std::uint32_t>(data.size()), 4);
    }
    return bytes;
}

Bytes png_file_bytes(std::span<const std::uint8_t> wrapped_stream, std::size_t chunk_size) {
    Bytes file(PNG_SIGNATURE, PNG_SIGNATURE + sizeof PNG_SIGNATURE);
    // A 1 x 1 grey image: nothing reads the pixels, only the chunks around them.
    const Bytes header = {0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0};
    put_chunk(file, "IHDR", header);
    for (std::size_t at = 0; at < wrapped_stream.size(); at += chunk_size)
        put_chunk(file, "IDAT", wrapped_stream.subspan(at, std::min(chunk_size, wrapped_stream.size() - at)));
    put_chunk(file, "IEND", {});
    return file;
}

}  // namespace test_support
