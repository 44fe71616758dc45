// The scan from the file's first byte to its last: markers sought in the window, each one
// tried, and one line per stream found, in file order.
#pragma once

#include <cstdio>

#include "scan_input.h"
#include "stream_finder.h"

namespace scan {

struct ScanFailure {
    int read_error;    // reading the input failed
    int output_error;  // creating or writing a decoded file failed
};

// Scans the whole input and prints each stream's line to lines. Stops at the first failure,
// also of lines, which the caller finds in the stream's error flag.
ScanFailure scan_file(ScanInput& input, const FinderOptions& options, std::FILE* lines);

// "kind=gzip offset=0000000A length=00000C9E d.size=8067 check=ok name=ls.1": the name's
// bytes outside printable ASCII, and '%', as %XX, so that the line splits on its spaces.
void print_stream_line(std::FILE* lines, const FoundStream& found);

}  // namespace scan
