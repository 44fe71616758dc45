// The outcome record and the texts that name the faults of a stream.
#include "decode_outcome.h"

#include "decoder_state.h"

DecodeOutcome decode_outcome;

const char* fault_text(const DecodeOutcome& outcome) {
    switch (outcome.result) {
    case ERR_BLOCK_TYPE:
        return "reserved block type 3";
    case ERR_INPUT_ENDED:
        return "input ends before the final block";
    case ERR_TOO_MANY_CODES:
        return "too many literal/length or distance codes";
    case ERR_CODE_LENGTH_CODE:
        return "invalid code-length code";
    case ERR_REPEAT_NO_PREVIOUS:
        return "length repeat with no previous length";
    case ERR_REPEAT_OVERRUN:
        return "length repeat runs past the last length";
    case ERR_LITLEN_LENGTHS:
        return "invalid literal/length code lengths";
    case ERR_DISTANCE_LENGTHS:
        return "invalid distance code lengths";
    case ERR_INVALID_SYMBOL:
        switch (outcome.invalid_symbol) {
        case InvalidSymbolSite::CODE_LENGTH_CODE:
            return "code-length code not in table";
        case InvalidSymbolSite::LITLEN_CODE:
            return "literal/length code not in table";
        case InvalidSymbolSite::LITLEN_SYMBOL:
            return "invalid literal/length symbol";
        case InvalidSymbolSite::DISTANCE_CODE:
            return "distance code not in table";
        }
        break;
    }
    return "unknown fault";
}
