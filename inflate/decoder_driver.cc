// The decoder's driver and the two static buffers it owns.
#include "decoder_driver.h"

#include <cstring>

#include "block_loop.h"
#include "decoder_state.h"

namespace inflate {

namespace {

DecoderState state;
std::uint8_t input_buffer[worker::BUFFER_SIZE];
std::uint8_t output_buffer[worker::BUFFER_SIZE];

}  // namespace

void reset_decoder(DecoderState& decoder, std::uint8_t* output, std::FILE* statistics,
                   bool strict) {
    StreamContext& context = decoder.context;
    context.out_pos = context.out_begin = output;
    context.out_end = output + worker::BUFFER_SIZE;
    context.in_pos = context.in_begin = context.in_end = nullptr;
    context.end_of_input = 0;
    context.status = worker::STATUS_DONE;
    decoder.statistics = statistics;
    decoder.strict = strict ? 1 : 0;
}

DecodeFileResult decode_file(std::FILE* input, std::FILE* output, std::FILE* statistics) {
    // Zero at program start already; cleared again so one process can decode several
    // streams, each with a history that reads as zero bytes where nothing was written.
    std::memset(&state, 0, sizeof state);
    reset_decoder(state, output_buffer, statistics, false);
    std::uint64_t bytes_read = 0;
    const worker::DriveResult driven = worker::drive_worker(
        state.context, decoder_entry,
        [&](StreamContext& context) {
            const int error = worker::refill_from_file(context, input, input_buffer);
            if (error == 0) bytes_read += static_cast<std::uint64_t>(context.in_end - context.in_begin);
            return error;
        },
        worker::writing_to(output));
    const auto unread = static_cast<std::uint64_t>(state.context.in_end - state.context.in_pos);
    return DecodeFileResult{driven.outcome, driven.error, state.outcome, bytes_read - unread};
}

}  // namespace inflate
