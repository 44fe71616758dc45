// The coder's driver and the two static buffers it owns.
#include "coder_driver.h"

#include <cstdint>
#include <cstring>

#include "bit_writer.h"
#include "block_splitting.h"
#include "program_files.h"

namespace coder {

namespace {

CoderState state;
std::uint8_t input_buffer[BUFFER_SIZE];
std::uint8_t output_buffer[BUFFER_SIZE];

// Whole tokens fill the input buffer, so only the end of the input can split one.
static_assert(BUFFER_SIZE % sizeof(Token) == 0);

void run_coder_worker(StreamContext* context) {
    coder_worker(reinterpret_cast<CoderState*>(context));
}

CodeFileOutcome outcome_of(const worker::DriveOutcome driven) {
    switch (driven) {
    case worker::DriveOutcome::read_failed:
        return CodeFileOutcome::read_failed;
    case worker::DriveOutcome::write_failed:
        return CodeFileOutcome::write_failed;
    case worker::DriveOutcome::finished:
        break;
    }
    return state.fault.problem != TokenProblem::none ? CodeFileOutcome::invalid_token
                                                     : CodeFileOutcome::finished;
}

}  // namespace

CodeFileResult code_token_file(std::FILE* input, std::FILE* output, std::FILE* lines,
                               const BlockCoding coding) {
    // Zero at program start already; cleared again so one process can code several files.
    std::memset(&state, 0, sizeof state);
    state.coding = coding;
    state.lines = lines;
    StreamContext& context = state.context;
    context.out_pos = context.out_begin = output_buffer;
    context.out_end = output_buffer + BUFFER_SIZE;
    context.in_pos = context.in_begin = context.in_end = nullptr;
    context.status = STATUS_DONE;

    const worker::DriveResult driven = worker::drive_worker(
        context, run_coder_worker,
        [input](StreamContext& refilled) { return worker::refill_from_file(refilled, input, input_buffer); },
        worker::writing_to(output));
    if (driven.outcome == worker::DriveOutcome::read_failed) {
        // The worker waits for tokens only between blocks, so the bits it holds end the last
        // block it wrote: with them the output decodes to every block whose line was printed.
        std::uint8_t held[4];
        files::write_bytes(output, {held, padded_held_bits(state, held)});
    }
    return CodeFileResult{outcome_of(driven.outcome), driven.error, state.fault};
}

}  // namespace coder
