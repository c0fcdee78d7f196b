#pragma once

#include <optional>
#include <string>
#include <string_view>

// Text inside the program is UTF-8; the wide Windows calls take and give UTF-16. Both
// conversions refuse what does not convert exactly (bytes that are no UTF-8 text, an
// unpaired surrogate), so that no name or value is silently altered on its way.
std::optional<std::wstring> Utf8ToWide(std::string_view text);
std::optional<std::string> WideToUtf8(std::wstring_view text);
