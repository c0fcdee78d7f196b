#include <cstddef>
#include <cstdint>
#include <string>

#include "card/card_link.h"
#include "fuzz/fuzz_check.h"

namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

// Any text parses into one byte per pair of hex digits; any bytes survive the trip
// through hex text and back, and the inverse coding undoes itself.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t digits = 0;
  for (const char c : input) digits += IsHexDigit(c) ? 1 : 0;
  const std::string parsed = HexToBytes(input);
  FuzzCheck(parsed.size() == digits / 2, "one byte per pair of digits");

  const std::string text = BytesToHex(input);
  FuzzCheck(text.size() == (size == 0 ? 0 : 3 * size - 1), "three characters per byte");
  FuzzCheck(HexToBytes(text) == input, "hex text reads back");
  FuzzCheck(InvertBytes(InvertBytes(input)) == input, "the coding is its own inverse");
  return 0;
}
