// The token reader: 4-byte little-endian tokens straight from the input buffer, each checked
// against what DEFLATE can code and against the data replayed so far.
#include "token_reader.h"

#include <cinttypes>
#include <cstdio>

namespace coder {

namespace {

bool refuse(CoderState& state, const Token token, const TokenProblem problem) {
    state.fault = TokenFault{problem, state.tokens_read, token.distance, token.value,
                             state.data_position};
    return false;
}

// True for a good token, which then counts as read.
bool accept_token(CoderState& state, const Token token) {
    if (token.distance == 0) {
        if (token.value > LARGEST_LITERAL) return refuse(state, token, TokenProblem::literal_above_255);
        state.data_position += 1;
    } else {
        if (token.value < MATCH_LENGTH_MIN || token.value > MATCH_LENGTH_MAX)
            return refuse(state, token, TokenProblem::length_out_of_range);
        if (token.distance > LARGEST_DISTANCE) return refuse(state, token, TokenProblem::distance_too_far);
        if (token.distance > state.data_position)
            return refuse(state, token, TokenProblem::reaches_before_start);
        state.data_position += token.value;
    }
    state.tokens_read += 1;
    return true;
}

Token token_at(const std::uint8_t* bytes) {
    return Token{static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8),
                 static_cast<std::uint16_t>(bytes[2] | bytes[3] << 8)};
}

// True when a byte is there to take, after a refill if need be; false at the end of input.
bool input_available(CoderState& state) {
    StreamContext& context = state.context;
    if (context.in_pos < context.in_end) return true;
    yield_to_driver(&context, STATUS_NEED_INPUT);
    return context.in_pos < context.in_end;
}

}  // namespace

bool read_block_tokens(CoderState& state) {
    StreamContext& context = state.context;
    constexpr std::uint32_t capacity = BLOCK_TOKEN_BOUND + 1;
    while (state.block_size < capacity) {
        // Whole tokens in the buffer: no yield can come between their bytes.
        while (state.block_size < capacity && context.in_end - context.in_pos >= 4) {
            const Token token = token_at(context.in_pos);
            if (!accept_token(state, token)) return false;
            context.in_pos += 4;
            state.block[state.block_size++] = token;
        }
        if (state.block_size == capacity) break;

        // A token that straddles a refill, or the end of the input.
        std::uint8_t bytes[4];
        unsigned present = 0;
        while (present < 4 && input_available(state))
            bytes[present++] = *context.in_pos++;
        if (present == 0) return false;
        if (present < 4) {
            state.fault = TokenFault{TokenProblem::incomplete, state.tokens_read, present, 0,
                                     state.data_position};
            return false;
        }
        const Token token = token_at(bytes);
        if (!accept_token(state, token)) return false;
        state.block[state.block_size++] = token;
    }
    return true;
}

const char* token_fault_text(const TokenFault& fault, char* text, const std::size_t size) {
    switch (fault.problem) {
    case TokenProblem::none:
        std::snprintf(text, size, "no fault");
        break;
    case TokenProblem::literal_above_255:
        std::snprintf(text, size, "literal %" PRIu32 " is above 255", fault.value);
        break;
    case TokenProblem::length_out_of_range:
        std::snprintf(text, size, "length %" PRIu32 " is not from 3 to 258", fault.value);
        break;
    case TokenProblem::distance_too_far:
        std::snprintf(text, size, "distance %" PRIu32 " is above 32768", fault.distance);
        break;
    case TokenProblem::reaches_before_start:
        std::snprintf(text, size,
                      "distance %" PRIu32 " reaches before the start of the data (%" PRIu64
                      " bytes)",
                      fault.distance, fault.data_position);
        break;
    case TokenProblem::incomplete:
        std::snprintf(text, size, "only %" PRIu32 " of its 4 bytes", fault.distance);
        break;
    }
    return text;
}

}  // namespace coder
