// The preload is named in the environment only for the one run, so no other program that a
// test starts ever gets it.
#include "failing_read.h"

#include <cstdlib>
#include <stdexcept>

namespace test_support {

bool can_fail_reads() {
    return std::string(FLATEBITS_FAILING_READ_SHIM).size() > 0;
}

ProgramResult run_with_failing_read(const std::string& program,
                                    const std::vector<std::string>& arguments,
                                    const std::string& file, std::size_t after) {
    if (!can_fail_reads()) throw std::logic_error("no preload to fail reads with here");
    setenv("FLATEBITS_FAILING_READ_FILE", file.c_str(), 1);
    setenv("FLATEBITS_FAILING_READ_AFTER", std::to_string(after).c_str(), 1);
    setenv("LD_PRELOAD", FLATEBITS_FAILING_READ_SHIM, 1);
    const ProgramResult result = run_program(program, arguments);
    unsetenv("LD_PRELOAD");
    unsetenv("FLATEBITS_FAILING_READ_AFTER");
    unsetenv("FLATEBITS_FAILING_READ_FILE");
    return result;
}

}  // namespace test_support
