#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Text inside the program is UTF-8; the wide Windows calls take and give UTF-16. Both
// conversions refuse what does not convert exactly (bytes that are no UTF-8 text, an
// unpaired surrogate), so that no name or value is silently altered on its way.
std::optional<std::wstring> Utf8ToWide(std::string_view text);
std::optional<std::string> WideToUtf8(std::wstring_view text);

// The program's arguments (argv[1] on) in UTF-8. `unconvertible` is the position of the
// first argument that has no UTF-8 form (an unpaired surrogate), 0 when all have one:
// such an argument is refused rather than turned into another name.
struct Utf8Arguments {
  std::vector<std::string> args;
  int unconvertible = 0;
};
Utf8Arguments ArgumentsToUtf8(int argc, wchar_t** argv);
