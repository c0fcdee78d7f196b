#pragma once

#include <string>

// Appends code point `code` (at most U+10FFFF, no surrogate) to `text` in UTF-8, the
// program's own text encoding.
void AppendUtf8(std::string& text, char32_t code);
