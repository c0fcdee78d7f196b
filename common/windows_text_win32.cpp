#include <windows.h>

#include "common/windows_text.h"

std::optional<std::wstring> Utf8ToWide(std::string_view text) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length =
      ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (length == 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), length);
  return wide;
}

std::optional<std::string> WideToUtf8(std::wstring_view text) {
  if (text.empty()) return std::string();
  const int size = static_cast<int>(text.size());
  const int length = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), size,
                                           nullptr, 0, nullptr, nullptr);
  if (length == 0) return std::nullopt;
  std::string narrow(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), size, narrow.data(), length,
                        nullptr, nullptr);
  return narrow;
}

Utf8Arguments ArgumentsToUtf8(int argc, wchar_t** argv) {
  Utf8Arguments converted;
  for (int i = 1; i < argc; ++i) {
    std::optional<std::string> arg = WideToUtf8(argv[i]);
    if (!arg) return {{}, i};
    converted.args.push_back(std::move(*arg));
  }
  return converted;
}
