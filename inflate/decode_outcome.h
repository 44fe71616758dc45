// How decoding ended: the worker records it in its state before its final yield, and the
// driver hands it to its caller, which turns it into lines and an exit status.
#pragma once

#include <cstdint>

namespace inflate {

// Results: 0 is success, and the first negative result ends decoding.
inline constexpr std::int32_t ERR_BLOCK_TYPE = -1;
inline constexpr std::int32_t ERR_INPUT_ENDED = -2;
inline constexpr std::int32_t ERR_TOO_MANY_CODES = -3;
inline constexpr std::int32_t ERR_CODE_LENGTH_CODE = -4;
inline constexpr std::int32_t ERR_REPEAT_NO_PREVIOUS = -5;
inline constexpr std::int32_t ERR_REPEAT_OVERRUN = -6;
inline constexpr std::int32_t ERR_LITLEN_LENGTHS = -7;
inline constexpr std::int32_t ERR_DISTANCE_LENGTHS = -8;
inline constexpr std::int32_t ERR_INVALID_SYMBOL = -9;
// Faults that RFC 1951 forbids but a decoder can read through. A strict decoder ends at
// them; otherwise the first one is recorded and decoding goes on as if it were sound.
inline constexpr std::int32_t ERR_STORED_LENGTH = -10;     // NLEN is not the complement of LEN
inline constexpr std::int32_t ERR_DISTANCE_TOO_FAR = -11;  // before the start of the output
inline constexpr std::int32_t ERR_NO_END_OF_BLOCK = -12;   // strict only: no code for 256
inline constexpr std::int32_t LOWEST_RESULT = ERR_NO_END_OF_BLOCK;

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
    // The first fault that decoding read through (ERR_STORED_LENGTH or ERR_DISTANCE_TOO_FAR),
    // 0 if none; never set by a strict decoder, which ends there instead.
    std::int32_t read_through;
    std::uint32_t read_through_block;
};

// The text that names a fault result (negative), for example "reserved block type 3".
// site is read only for ERR_INVALID_SYMBOL.
const char* fault_text(std::int32_t result, InvalidSymbolSite site);

// How the fault's block follows its text: "in" for most, "inside" for the end of the input,
// which may come in the final block too ("input ends inside block 3").
const char* fault_block_word(std::int32_t result);

}  // namespace inflate
