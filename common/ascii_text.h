#pragma once

#include <string>
#include <string_view>

// Text conventions that must not depend on the locale: case folding that changes only
// a to z (port names, card sizes, stored settings), and hexadecimal digits.

std::string UpperCaseAscii(std::string_view text);
bool SameTextAscii(std::string_view a, std::string_view b);

// The value of a hexadecimal digit in either case, or -1.
int HexDigitValue(char c);
