// The one driver loop of the kit: it starts or resumes a worker, refills its input, takes its
// full output buffer, and stops when the worker is done. What differs between programs, where
// the input comes from and where the output goes, is what each hands in.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include "program_files.h"
#include "stream_context.h"

namespace worker {

enum class DriveOutcome : std::uint8_t { finished, read_failed, write_failed };

struct DriveResult {
    DriveOutcome outcome;
    int error;  // the error number of the failed read or write, else 0
};

// Runs the worker entry on context until it yields STATUS_DONE, or until a refill or a take
// fails. Before the call, the output fields point at a buffer of BUFFER_SIZE bytes (out_begin
// is its start) and the input fields hold what the worker may take first.
//   refill(StreamContext&) -> int: on STATUS_NEED_INPUT; points the input fields at the next
//     bytes, or sets end_of_input; 0, or the error number of a failed read.
//   take(std::span<const std::uint8_t> bytes, bool last) -> int: the output made so far; last
//     for the rest after STATUS_DONE or a failed read; 0, or the error number of a failed write.
// After a full buffer is taken the output fields point at the buffer afresh. The output made
// before a failed read is taken, and the read's error is the one reported, whatever the take
// does. The loop's frame is the driver's and stays where it is on every pass, and with it the
// gap below it.
template <typename Refill, typename Take>
DriveResult drive_worker(StreamContext& context, WorkerEntry entry, Refill&& refill, Take&& take) {
    std::uint8_t* const buffer = context.out_begin;
    const auto made = [&context, buffer] {
        return std::span<const std::uint8_t>(buffer, context.out_pos);
    };
    for (;;) {
        switch (switch_to_worker(&context, entry)) {
        case STATUS_NEED_INPUT:
            if (const int error = refill(context); error != 0) {
                take(made(), true);
                return DriveResult{DriveOutcome::read_failed, error};
            }
            break;
        case STATUS_OUTPUT_FULL: {
            const int error = take(made(), false);
            context.out_pos = context.out_begin = buffer;
            context.out_end = buffer + BUFFER_SIZE;
            if (error != 0) return DriveResult{DriveOutcome::write_failed, error};
            break;
        }
        case STATUS_DONE:
            if (const int error = take(made(), true); error != 0)
                return DriveResult{DriveOutcome::write_failed, error};
            return DriveResult{DriveOutcome::finished, 0};
        default:
            // No worker yields another status; the next pass resumes it at once.
            break;
        }
    }
}

// The refill of a driver that reads input into buffer, BUFFER_SIZE bytes at a time, and sets
// end_of_input at a read of none. Returns 0, or the error number of the failed read.
inline int refill_from_file(StreamContext& context, std::FILE* input, std::uint8_t* buffer) {
    std::size_t size = 0;
    if (const int error = files::read_block(input, buffer, BUFFER_SIZE, size); error != 0) return error;
    if (size == 0) context.end_of_input = 1;
    context.in_pos = context.in_begin = buffer;
    context.in_end = buffer + size;
    return 0;
}

// The take of a driver that writes all the output to a file.
inline auto writing_to(std::FILE* output) {
    return [output](std::span<const std::uint8_t> bytes, bool) { return files::write_bytes(output, bytes); };
}

}  // namespace worker
