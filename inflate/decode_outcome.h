// How decoding ended, kept apart from DecoderState: the worker records it before its final
// yield and the driver turns it into the exit status and the one line of a stream fault.
#pragma once

#include <cstdint>

// Where an ERR_INVALID_SYMBOL arose; each place has its own fault text.
enum class InvalidSymbolSite : std::uint8_t {
    CODE_LENGTH_CODE,  // no code of the code-length code matched
    LITLEN_CODE,       // no literal/length code matched
    LITLEN_SYMBOL,     // a literal/length code for symbol 286 or 287
    DISTANCE_CODE,     // no distance code matched
};

struct DecodeOutcome {
    std::int32_t result;               // 0 after the final block, else the first fault
    std::uint32_t block;               // ordinal of the block in hand, counting from 1
    InvalidSymbolSite invalid_symbol;  // meaningful only for ERR_INVALID_SYMBOL
};

// The program's one outcome record, filled by the worker.
extern DecodeOutcome decode_outcome;

// The text that names a fault result (negative), for example "reserved block type 3".
const char* fault_text(const DecodeOutcome& outcome);
