// The tokenizer worker: walks the input one position at a time, searches the hash chains
// where no match is in progress, and writes a literal or a match token.
#include "match_finder.h"

#include "level_table.h"
#include "token_output.h"

namespace tokenize {

namespace {

// Positions are 32-bit. When the position has passed POSITION_CEILING, which happens only
// in inputs of more than 2 GiB, it and every stored position drop by POSITION_DROP, so it
// stays far below the 32-bit wrap. Distances between positions in the window do not change
// and positions that fall below 0 were far out of the window, so the parse stays the one
// that positions counted without bound would give.
constexpr std::uint32_t POSITION_CEILING = 0x8000'0000;
constexpr std::uint32_t POSITION_DROP = 0x4000'0000;
static_assert(POSITION_DROP % HASH_SIZE == 0, "chain slots keep their places");
static_assert(POSITION_CEILING - WINDOW_LIMIT >= POSITION_DROP, "only stale positions clamp");
static_assert(POSITION_CEILING - POSITION_DROP > WINDOW_LIMIT, "positions 0 and 1 stay out");
static_assert(std::uint64_t{POSITION_CEILING} + worker::BUFFER_SIZE < (std::uint64_t{1} << 32),
              "one refill between checks cannot reach the wrap");

void lower_positions(TokenizerState& state, std::uint32_t& position) {
    if (position < POSITION_CEILING) return;
    const auto lower = [](std::uint32_t& stored) {
        stored = stored >= POSITION_DROP ? stored - POSITION_DROP : 0;
    };
    for (std::uint32_t& stored : state.hash_heads) lower(stored);
    for (std::uint32_t& stored : state.chain_links) lower(stored);
    lower(state.match_position);
    position -= POSITION_DROP;
}

// The longest match for the bytes at here, the input byte at position, found by walking
// the chain from candidate, comparing at most max_length bytes. Returns the best length
// (below MIN_MATCH when there is no match) and leaves its position in match_position.
std::uint32_t best_chain_match(TokenizerState& state, const std::uint8_t* here,
                            const std::uint32_t position, std::uint32_t candidate,
                            const std::uint32_t max_length) {
    // Positions 0 and 1 are never candidates: 0 also stands for an empty entry.
    const std::uint32_t limit = position > WINDOW_LIMIT ? position - WINDOW_LIMIT : 1;
    std::uint32_t best = state.previous_length;
    if (candidate <= limit) return best;

    // A budget of 0 wraps at its first decrement and so sets no limit.
    std::uint32_t budget = state.chain_budget;
    if (state.previous_length >= state.reduce_threshold) budget >>= 2;
    // Once best reaches max_length no later candidate can be longer, so ending the search
    // there changes nothing but the time spent.
    const std::uint32_t enough = std::min(state.stop_length, max_length);
    for (;;) {
        const std::uint8_t* const earlier = here - (position - candidate);
        // Loaded before the comparison, so the walk does not wait for it afterwards.
        const std::uint32_t older = state.chain_links[candidate & (HASH_SIZE - 1)];
        // Only a strictly longer match replaces the best, and it must agree at index best.
        if (earlier[best] == here[best]) {
            const std::uint32_t length = match_length(here, earlier, max_length);
            if (length > best) {
                best = length;
                state.match_position = candidate;
                if (length >= enough) break;
            }
        }
        candidate = older;
        if (candidate <= limit) break;
        if (--budget == 0) break;
    }
    return best;
}

// The worker's own variables, which live across yields.
struct ParseProgress {
    std::uint32_t position;  // of the byte at in_pos, counted from the start of the input
    std::uint32_t skip;      // positions of the current match still to be passed over
    bool skip_insert;        // whether those positions stay out of the chains
};

// Tokenizes every byte from in_pos to in_end, yielding whenever the token buffer is full.
void tokenize_available(TokenizerState& state, ParseProgress& progress) {
    StreamContext& context = state.context;
    // Kept in locals: every store of a token byte could otherwise alias the context.
    const std::uint8_t* in_pos = context.in_pos;
    const std::uint8_t* const in_end = context.in_end;
    const std::uint8_t* const data_end = state.data_end;
    std::uint8_t* out_pos = context.out_pos;
    std::uint8_t* out_end = context.out_end;
    std::uint32_t position = progress.position;
    std::uint32_t skip = progress.skip;
    bool skip_insert = progress.skip_insert;

    while (in_pos < in_end) {
        if (skip > 0) {
            const auto run = std::min(skip, static_cast<std::uint32_t>(in_end - in_pos));
            if (!skip_insert) {
                for (std::uint32_t i = 0; i < run; ++i)
                    insert_position(state, position + i, hash3(in_pos + i));
            }
            skip -= run;
            in_pos += run;
            position += run;
            continue;
        }

        const auto max_length =
            static_cast<std::uint32_t>(std::min<std::ptrdiff_t>(MAX_MATCH, data_end - in_pos));
        const std::uint32_t hash = hash3(in_pos);
        const std::uint32_t best =
            best_chain_match(state, in_pos, position, state.hash_heads[hash], max_length);
        Token token{0, in_pos[0]};
        if (best >= MIN_MATCH) {
            token = Token{static_cast<std::uint16_t>(position - state.match_position),
                          static_cast<std::uint16_t>(best)};
            skip_insert = best > state.insert_limit;
            skip = best - 1;
        }
        insert_position(state, position, hash);
        out_pos = store_token(out_pos, token);
        if (out_pos >= out_end) {
            context.in_pos = in_pos;
            context.out_pos = out_pos;
            worker::yield_to_driver(&context, worker::STATUS_OUTPUT_FULL);
            out_pos = context.out_pos;
            out_end = context.out_end;
        }
        ++in_pos;
        ++position;
    }

    context.in_pos = in_pos;
    context.out_pos = out_pos;
    progress = ParseProgress{position, skip, skip_insert};
}

[[noreturn]] void finish(StreamContext& context) {
    // The driver never resumes a finished worker; one that did would hear the same again.
    for (;;) worker::yield_to_driver(&context, worker::STATUS_DONE);
}

}  // namespace

[[noreturn]] void tokenizer_worker(TokenizerState* state) {
    StreamContext& context = state->context;
    state->hash_heads.fill(0);
    state->chain_links.fill(0);
    const LevelRow& row = LEVEL_TABLE[static_cast<std::size_t>(state->level)];
    state->reduce_threshold = row.reduce_threshold;
    state->insert_limit = row.insert_limit;
    state->stop_length = row.stop_length;
    state->chain_budget = row.chain_budget;
    state->previous_length = 0;
    state->match_position = 0;

    ParseProgress progress{0, 0, false};
    for (;;) {
        if (context.in_pos >= context.in_end) {
            worker::yield_to_driver(&context, worker::STATUS_NEED_INPUT);
            // The driver sets end_of_input only while the worker waits here.
            if (context.end_of_input != 0) finish(context);
            if (context.in_pos >= context.in_end) continue;
            lower_positions(*state, progress.position);
        }
        tokenize_available(*state, progress);
    }
}

}  // namespace tokenize
