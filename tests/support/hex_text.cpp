#include "support/hex_text.h"

namespace test_support {

std::string HexWord(std::string_view bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string word;
  for (const unsigned char c : bytes) {
    word += digits[c >> 4];
    word += digits[c & 15];
  }
  return word;
}

std::string BytesOfHexWord(const std::string& word) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < word.size(); i += 2)
    bytes += static_cast<char>(std::stoi(word.substr(i, 2), nullptr, 16));
  return bytes;
}

}  // namespace test_support
