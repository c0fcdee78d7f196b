#include "common/utf8_text.h"

void AppendUtf8(std::string& text, char32_t code) {
  static constexpr unsigned char kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
  const int tail = code < 0x80 ? 0 : code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
  text += static_cast<char>(kLead[tail] | (code >> (6 * tail)));
  for (int i = tail - 1; i >= 0; --i) text += static_cast<char>(0x80 | ((code >> (6 * i)) & 0x3F));
}
