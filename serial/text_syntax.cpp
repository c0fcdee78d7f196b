#include "serial/text_syntax.h"

namespace {

std::optional<int> DigitValue(char c, int base) {
  const int value = HexDigitValue(c);
  if (value < 0 || value >= base) return std::nullopt;
  return value;
}

// Strips a hexadecimal marker and tells the base of what follows.
int TakeBase(std::string_view& digits) {
  if (!digits.empty() && (digits[0] == '$' || digits[0] == 'x' || digits[0] == 'X')) {
    digits.remove_prefix(1);
    return 16;
  }
  if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits.remove_prefix(2);
    return 16;
  }
  return 10;
}

}  // namespace

bool HoldsLineBreak(std::string_view text) {
  return text.find_first_of({"\r\n\0", 3}) != std::string_view::npos;
}

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::optional<std::int32_t> TextToInteger(std::string_view text) {
  const auto start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return std::nullopt;
  std::string_view digits = text.substr(start);
  const bool negative = digits[0] == '-';
  if (digits[0] == '-' || digits[0] == '+') digits.remove_prefix(1);
  const int base = TakeBase(digits);
  if (digits.empty()) return std::nullopt;
  // Decimal allows up to 2^31 for the negative limit; hexadecimal the full 32 bits.
  const std::uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
  std::uint64_t magnitude = 0;
  for (const char c : digits) {
    const auto digit = DigitValue(c, base);
    if (!digit) return std::nullopt;
    magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(*digit);
    if (magnitude > limit) return std::nullopt;
  }
  const auto bits = static_cast<std::uint32_t>(negative ? 0u - magnitude : magnitude);
  return static_cast<std::int32_t>(bits);
}

std::optional<std::uint32_t> HexDigitsToNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t number = 0;
  for (const char c : digits) {
    const auto digit = DigitValue(c, 16);
    if (!digit) return std::nullopt;
    number = number * 16 + static_cast<std::uint32_t>(*digit);
  }
  return number;
}
