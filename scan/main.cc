// streamscan [--raw] <input> [<folder>]: finds every DEFLATE stream inside a file (gzip
// members, RFC 1950 streams, zip entries, PNG image data and, with --raw, raw streams), with its
// exact extent and whether it is intact; one line per stream on standard output.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "program_files.h"
#include "scan_input.h"
#include "stream_scan.h"

namespace {

using namespace files;
using namespace scan;

constexpr int EXIT_FAILURE_LINE = 2;

int fail(const char* subject, const char* what) {
    std::fprintf(stderr, "streamscan: %s: %s\n", subject, what);
    return EXIT_FAILURE_LINE;
}

// The folder for decoded streams, made if it is missing. 0, or the error number.
int make_folder(const char* folder) {
    if (mkdir(folder, 0777) == 0) return 0;
    if (errno != EEXIST) return errno;
    struct stat status {};
    if (stat(folder, &status) != 0) return errno;
    return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
}

}  // namespace

int main(int argc, char** argv) {
    int first = 1;
    FinderOptions options{false, nullptr};
    if (argc > 1 && std::strcmp(argv[1], "--raw") == 0) {
        options.raw = true;
        first = 2;
    }
    const int operands = argc - first;
    if (operands < 1 || operands > 2) return fail("usage", "streamscan [--raw] <input> [<folder>]");
    const char* const input_path = argv[first];
    const char* const input_name = input_file_name(input_path);
    if (operands == 2) options.folder = argv[first + 1];

    std::FILE* const file = open_input_file(input_path);
    if (file == nullptr) return fail(input_name, std::strerror(errno));
    static ScanInput input;
    if (!start_scan_input(input, file))
        return fail(input_name, "cannot be positioned; scan a regular file or a block device");
    if (options.folder != nullptr) {
        if (!decoded_paths_fit(options.folder)) return fail(options.folder, std::strerror(ENAMETOOLONG));
        if (const int error = make_folder(options.folder); error != 0)
            return fail(options.folder, std::strerror(error));
    }

    const ScanFailure failure = scan_file(input, options, stdout);
    if (failure.read_error != 0) return fail(input_name, std::strerror(failure.read_error));
    if (failure.output_error != 0) return fail(options.folder, std::strerror(failure.output_error));
    if (const int error = finish_standard_output(); error != 0)
        return fail("standard output", std::strerror(error));
    return 0;
}
