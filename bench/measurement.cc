// Running the programs through timed_run and reducing the samples to figures.
#include "measurement.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "program_runner.h"

using namespace test_support;

namespace {

constexpr double BYTES_PER_MEGABYTE = 1e6;

RunSample run_command(const std::string& timed_run, const Command& command) {
    std::vector<std::string> arguments = {command.standard_output, command.program};
    arguments.insert(arguments.end(), command.arguments.begin(), command.arguments.end());
    const ProgramResult result = run_program(timed_run, arguments);
    std::istringstream report(result.standard_output);
    RunSample sample{};
    int status = -1;
    if (result.exit_status != 0 || !(report >> sample.seconds >> sample.peak_kib >> status))
        throw std::runtime_error("timed_run failed: " + result.standard_error);
    if (status != 0)
        throw std::runtime_error(command.program + " ended with status " + std::to_string(status));
    if (command.standard_output_size) {
        const std::uintmax_t size = std::filesystem::file_size(command.standard_output);
        if (size != *command.standard_output_size)
            throw std::runtime_error(command.program + " printed " + std::to_string(size) +
                                     " bytes instead of " + std::to_string(*command.standard_output_size));
    }
    if (!command.output_file.empty()) {
        const std::uintmax_t size = std::filesystem::file_size(command.output_file);
        std::filesystem::remove(command.output_file);
        if (command.output_size && size != *command.output_size)
            throw std::runtime_error(command.program + " wrote " + std::to_string(size) +
                                     " bytes instead of " + std::to_string(*command.output_size));
    }
    return sample;
}

}  // namespace

RunSample run_once(const std::string& timed_run, std::span<const Command> commands) {
    RunSample total{0, 0};
    for (const Command& command : commands) {
        const RunSample sample = run_command(timed_run, command);
        total.seconds += sample.seconds;
        total.peak_kib = std::max(total.peak_kib, sample.peak_kib);
    }
    return total;
}

Throughput throughput(std::span<const RunSample> samples, std::uint64_t bytes) {
    std::vector<double> rates;
    for (const RunSample& sample : samples)
        rates.push_back(static_cast<double>(bytes) / BYTES_PER_MEGABYTE / sample.seconds);
    std::sort(rates.begin(), rates.end());
    const std::size_t middle = rates.size() / 2;
    const double median =
        rates.size() % 2 == 1 ? rates[middle] : (rates[middle - 1] + rates[middle]) / 2;
    return {median, rates.front(), rates.back()};
}

long peak_kib(std::span<const RunSample> samples) {
    long peak = 0;
    for (const RunSample& sample : samples) peak = std::max(peak, sample.peak_kib);
    return peak;
}
