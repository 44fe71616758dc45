// Timed runs of the programs: each run goes through timed_run, which reports the wall-clock
// time of the whole program run and its peak resident size.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct Command {
    std::string program;
    std::vector<std::string> arguments;
    // Where the program's standard output goes: its statistics and trace lines are produced
    // but not kept; cat writes its copy there.
    std::string standard_output = "/dev/null";
    std::string output_file;                   // removed after every run; empty: none
    std::optional<std::uint64_t> output_size;  // checked after every run when given
    // The size of what went to standard_output, checked after every run when given.
    std::optional<std::uint64_t> standard_output_size = std::nullopt;
};

struct RunSample {
    double seconds;
    long peak_kib;
};

// One sample runs every command once, in order: their times add up, the peak is the largest.
// Throws when a program fails or writes an output of the wrong size.
RunSample run_once(const std::string& timed_run, std::span<const Command> commands);

struct Throughput {
    double median;
    double min;
    double max;
};

// Megabytes (10^6 bytes) per second over the samples, bytes being what one sample handles.
Throughput throughput(std::span<const RunSample> samples, std::uint64_t bytes);
long peak_kib(std::span<const RunSample> samples);
