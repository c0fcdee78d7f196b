#include "serial/utf16_text.h"

#include "common/utf8_text.h"

namespace {

constexpr char32_t kHighSurrogate = 0xD800;
constexpr char32_t kLowSurrogate = 0xDC00;
constexpr char32_t kSurrogatesEnd = 0xE000;
constexpr char32_t kFirstPaired = 0x10000;

bool IsSurrogate(char32_t code) { return code >= kHighSurrogate && code < kSurrogatesEnd; }

// How many continuation bytes follow a lead byte; -1 for a byte that leads nothing.
int TailLength(unsigned char lead) {
  if (lead < 0x80) return 0;
  if (lead < 0xC2) return -1;  // a continuation byte, or the lead of an overlong form
  if (lead < 0xE0) return 1;
  if (lead < 0xF0) return 2;
  return lead < 0xF5 ? 3 : -1;
}

// The code point at the front of `text`, which it then drops; nothing for an overlong
// form, a surrogate, a value beyond U+10FFFF or a broken sequence.
std::optional<char32_t> TakeUtf8(std::string_view& text) {
  static constexpr char32_t kLeast[] = {0, 0x80, 0x800, kFirstPaired};
  const auto lead = static_cast<unsigned char>(text[0]);
  const int tail = TailLength(lead);
  if (tail < 0 || text.size() <= static_cast<std::size_t>(tail)) return std::nullopt;
  char32_t code = lead & (0x7F >> tail);
  for (int i = 1; i <= tail; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) != 0x80) return std::nullopt;
    code = code << 6 | (byte & 0x3F);
  }
  if (code < kLeast[tail] || code > 0x10FFFF || IsSurrogate(code)) return std::nullopt;
  text.remove_prefix(static_cast<std::size_t>(tail) + 1);
  return code;
}

char32_t UnitAt(std::string_view bytes, std::size_t i) {
  return static_cast<unsigned char>(bytes[i]) |
         static_cast<char32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
}

void AppendUnit(std::string& bytes, char32_t unit) {
  bytes += static_cast<char>(unit & 0xFF);
  bytes += static_cast<char>(unit >> 8);
}

}  // namespace

std::optional<std::string> Utf16LeToUtf8(std::string_view bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    char32_t code = UnitAt(bytes, i);
    if (code >= kLowSurrogate && code < kSurrogatesEnd) return std::nullopt;
    if (code >= kHighSurrogate && code < kLowSurrogate) {
      i += 2;
      const char32_t low = i < bytes.size() ? UnitAt(bytes, i) : 0;
      if (low < kLowSurrogate || low >= kSurrogatesEnd) return std::nullopt;
      code = kFirstPaired + ((code - kHighSurrogate) << 10) + (low - kLowSurrogate);
    }
    AppendUtf8(text, code);
  }
  return text;
}

std::optional<std::string> Utf8ToUtf16Le(std::string_view text) {
  std::string bytes;
  while (!text.empty()) {
    const auto code = TakeUtf8(text);
    if (!code) return std::nullopt;
    if (*code < kFirstPaired) {
      AppendUnit(bytes, *code);
    } else {
      AppendUnit(bytes, kHighSurrogate + ((*code - kFirstPaired) >> 10));
      AppendUnit(bytes, kLowSurrogate + ((*code - kFirstPaired) & 0x3FF));
    }
  }
  return bytes;
}
