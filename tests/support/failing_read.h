// Runs a program of the kit with the reads of one file failing halfway, through a preloaded
// library, to test what a program keeps and says after a read error.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "program_runner.h"

namespace test_support {

// Whether the preload reaches the programs: not under an emulator, whose programs the
// test's own loader never starts.
bool can_fail_reads();

// Runs program as run_program does, with the reads of file failing once `after` bytes of it
// have been delivered; the failing read reports EISDIR.
ProgramResult run_with_failing_read(const std::string& program,
                                    const std::vector<std::string>& arguments,
                                    const std::string& file, std::size_t after);

}  // namespace test_support
