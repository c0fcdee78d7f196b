#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/ascii_text.h"

// The runtime's text conventions that stored settings rely on: case folding that
// changes only a to z (common/ascii_text.h), and the integer syntax of its standard
// conversion.

// Whether the text holds a line end (CR or LF) or a zero byte, which no line of a
// settings file can hold.
bool HoldsLineBreak(std::string_view text);

// Without leading and trailing blanks and tabs.
std::string_view TrimBlanks(std::string_view text);

// Leading blanks, an optional sign, then decimal digits, or hexadecimal digits after
// "$", "x" or "0x" (either case). Hexadecimal covers the 32 bits ("$FFFFFFFF" is -1);
// decimal must fit a 32-bit signed integer. Anything else, trailing blanks included,
// does not convert.
std::optional<std::int32_t> TextToInteger(std::string_view text);

// One to eight hexadecimal digits (either case) and nothing else.
std::optional<std::uint32_t> HexDigitsToNumber(std::string_view digits);
