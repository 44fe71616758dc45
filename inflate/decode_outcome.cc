// The texts that name the faults of a stream.
#include "decode_outcome.h"

namespace inflate {

const char* fault_text(std::int32_t result, InvalidSymbolSite site) {
    switch (result) {
    case ERR_BLOCK_TYPE:
        return "reserved block type 3";
    case ERR_INPUT_ENDED:
        return "input ends";
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
        switch (site) {
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
    case ERR_STORED_LENGTH:
        return "stored block length check fails";
    case ERR_DISTANCE_TOO_FAR:
        return "distance reaches before the start of the output";
    case ERR_NO_END_OF_BLOCK:
        return "literal/length code has no end-of-block code";
    }
    return "unknown fault";
}

const char* fault_block_word(std::int32_t result) {
    return result == ERR_INPUT_ENDED ? "inside" : "in";
}

}  // namespace inflate
