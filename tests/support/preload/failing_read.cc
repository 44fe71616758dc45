// Preloaded into a program by the read-error tests: reads of one file fail once a given
// number of its bytes has been read, as reads from a failing disk would. The file is named
// by FLATEBITS_FAILING_READ_FILE, the bytes by FLATEBITS_FAILING_READ_AFTER. The C library
// reads for fread through calls of its own that no preload can replace, so fread is the
// call taken over; past the limit the file's descriptor leads to a folder, and the real
// read then fails and leaves the stream's error indicator set, as any read error does.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using FreadFunction = std::size_t (*)(void*, std::size_t, std::size_t, std::FILE*);

std::size_t bytes_delivered = 0;

bool is_failing_file(std::FILE* stream) {
    const char* const path = std::getenv("FLATEBITS_FAILING_READ_FILE");
    struct stat wanted {};
    struct stat actual {};
    return path != nullptr && stat(path, &wanted) == 0 && fstat(fileno(stream), &actual) == 0 &&
           wanted.st_dev == actual.st_dev && wanted.st_ino == actual.st_ino;
}

FreadFunction real_fread() {
    void* const symbol = dlsym(RTLD_NEXT, "fread");
    FreadFunction function = nullptr;
    std::memcpy(&function, &symbol, sizeof function);
    return function;
}

}  // namespace

extern "C" std::size_t fread(void* buffer, std::size_t size, std::size_t count, std::FILE* stream) {
    static const FreadFunction next_fread = real_fread();
    if (size != 1 || !is_failing_file(stream)) return next_fread(buffer, size, count, stream);
    const char* const after = std::getenv("FLATEBITS_FAILING_READ_AFTER");
    const std::size_t limit = after != nullptr ? std::strtoull(after, nullptr, 10) : 0;
    const std::size_t left = limit > bytes_delivered ? limit - bytes_delivered : 0;
    const std::size_t allowed = left < count ? left : count;
    const std::size_t got = next_fread(buffer, 1, allowed, stream);
    bytes_delivered += got;
    if (got < allowed || got == count) return got;

    const int folder = open("/", O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        dup2(folder, fileno(stream));
        close(folder);
    }
    return got + next_fread(static_cast<char*>(buffer) + got, 1, count - got, stream);
}
