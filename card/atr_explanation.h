#pragma once

#include <string>

// The answer-to-reset `atr` (decoded bytes, TS first) read as ISO 7816-3 lays it out:
// one line per byte or group, in French, for a person who wants to know what card is
// in the reader. A truncated ATR is said to be so where it ends; bytes past the ATR's
// end are shown as extra.
std::string ExplainAtr(const std::string& atr);
