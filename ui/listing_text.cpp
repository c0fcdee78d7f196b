#include "ui/listing_text.h"

#include <cstdint>

#include "common/utf8_text.h"

namespace ui {

namespace {

// Windows-1252 80..9F; 0 where the code page assigns nothing.
constexpr char32_t kHighRange[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char32_t kDel = 0x7F;
constexpr char32_t kSoftHyphen = 0xAD;

char32_t CharacterOf(std::uint8_t byte) {
  const char32_t c = byte >= 0x80 && byte < 0xA0 ? kHighRange[byte - 0x80] : byte;
  return c == 0 || c == kDel || c == kSoftHyphen ? U'.' : c;
}

}  // namespace

std::string ListingForDisplay(const std::string& dump) {
  std::string text;
  text.reserve(dump.size() + dump.size() / 8);
  for (std::size_t i = 0; i < dump.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(dump[i]);
    if (byte == '\r' && i + 1 < dump.size() && dump[i + 1] == '\n') continue;
    if (byte == '\n') {
      text += '\n';
      continue;
    }
    AppendUtf8(text, CharacterOf(byte));
  }
  return text;
}

}  // namespace ui
