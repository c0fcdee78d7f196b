#pragma once

#include <optional>
#include <string>
#include <string_view>

// Text inside the program is UTF-8; regedit saves its exports, and the data of
// expandable strings, as UTF-16 little-endian. Each conversion refuses what does not
// convert exactly (an odd byte count, an unpaired surrogate, bytes that are no UTF-8
// text), so a text converted there and back is the text it was.
std::optional<std::string> Utf16LeToUtf8(std::string_view bytes);
std::optional<std::string> Utf8ToUtf16Le(std::string_view text);
