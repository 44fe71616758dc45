// timed_run <stdout-file> <program> [arguments...]: runs program once with its standard
// output sent to stdout-file and prints "<wall seconds> <peak resident KiB> <exit status>".
// It is a process of its own because a child's peak resident size starts from the memory it
// shares with its parent at fork: forked from this small process, the figure is the
// program's alone. It uses only the C library, so that it stays small.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr int EXIT_STATUS_EXEC_FAILED = 127;
constexpr int SIGNAL_STATUS_BASE = 128;

double seconds_between(const timespec& start, const timespec& end) {
    return static_cast<double>(end.tv_sec - start.tv_sec) +
           static_cast<double>(end.tv_nsec - start.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: timed_run <stdout-file> <program> [arguments...]\n");
        return 2;
    }
    std::fflush(stdout);
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child < 0) {
        std::fprintf(stderr, "timed_run: fork: %s\n", std::strerror(errno));
        return 1;
    }
    if (child == 0) {
        const int output = open(argv[1], O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (output < 0 || dup2(output, STDOUT_FILENO) < 0) _exit(EXIT_STATUS_EXEC_FAILED);
        execvp(argv[2], argv + 2);
        _exit(EXIT_STATUS_EXEC_FAILED);
    }
    int wait_status = 0;
    rusage usage{};
    while (wait4(child, &wait_status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::fprintf(stderr, "timed_run: wait4: %s\n", std::strerror(errno));
            return 1;
        }
    }
    timespec end{};
    clock_gettime(CLOCK_MONOTONIC, &end);
    const int status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status)
                                              : SIGNAL_STATUS_BASE + WTERMSIG(wait_status);
    std::printf("%.6f %ld %d\n", seconds_between(start, end), usage.ru_maxrss, status);
    return std::fclose(stdout) == 0 ? 0 : 1;
}
