// The files of the benchmark inputs folder: make_inputs writes them, bench_suite reads them.
#pragma once

inline constexpr const char* TEXT_FILE = "text.bin";
inline constexpr const char* BINARY_FILE = "binary.bin";
inline constexpr const char* RUNS_FILE = "runs.bin";
inline constexpr const char* RANDOM_FILE = "random.bin";
inline constexpr const char* BINARY_STREAM = "binary.deflate";
inline constexpr const char* RUNS_STREAM = "runs.deflate";
inline constexpr const char* RANDOM_STREAM = "random.deflate";
// The tokens of the text at levels 3 and 9, the input of tokdeflate's speed rows.
inline constexpr const char* TEXT_TOKENS_3 = "text-3.tok";
inline constexpr const char* TEXT_TOKENS_9 = "text-9.tok";
// One line per real gzip member kept for the decoding figure, largest first:
// "<stream file in MEMBER_FOLDER> <decoded bytes> <gzip file it came from>".
inline constexpr const char* MEMBER_LIST = "members.txt";
inline constexpr const char* MEMBER_FOLDER = "members";
// streamscan's inputs (scan_inputs.h): 64 MiB of the noise; the machine's gzip, jar and PNG
// files concatenated; and the streams that streamscan finds there, cut out, listed one per
// line as "<raw file in STREAM_FOLDER> <decoded bytes> <kind>".
inline constexpr const char* SCAN_NOISE_FILE = "scan_noise.bin";
inline constexpr const char* STREAMS_FILE = "streams.bin";
inline constexpr const char* STREAM_LIST = "streams.txt";
inline constexpr const char* STREAM_FOLDER = "streams";
