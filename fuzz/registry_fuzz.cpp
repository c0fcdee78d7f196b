#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "serial/registry.h"

namespace {

constexpr std::string_view kKey = "HKEY_CURRENT_USER\\Software\\Belvanto";

bool Reads(const RegDocument& document, std::string_view name, const RegValue& value) {
  const RegValue read = document.Read("hkey_current_user\\SOFTWARE\\belvanto", name);
  return read.kind == value.kind && read.text == value.text && read.number == value.number;
}

}  // namespace

// Any text parses; an untouched export gives back its text byte for byte; accepted
// writes of a string and of an integer read back, also from the written text, and a
// second identical write changes nothing.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  RegDocument document(text);
  if (!text.empty()) FuzzCheck(document.Text() == text, "untouched text comes back");
  (void)document.KeyExists(kKey);
  (void)document.Read(kKey, "Port");

  RegValue string{RegValue::String, std::string(text.substr(0, 64)), 0};
  // The input's start may hold a line end or, for a UTF-16LE export, bytes that are no
  // UTF-8 text: such a file then takes a fixed text with a letter beyond ASCII.
  if (!document.Write(kKey, "Port", string)) string.text = "COM\xC3\xA9";
  const RegValue number{RegValue::Dword, {}, static_cast<std::uint32_t>(size * 2654435761u)};
  const bool accepted =
      document.Write(kKey, "Port", string) && document.Write(kKey, "Size", number);
  if (!accepted) return 0;
  FuzzCheck(Reads(document, "PORT", string) && Reads(document, "size", number), "writes read back");
  const std::string written = document.Text();
  RegDocument reparsed(written);
  FuzzCheck(Reads(reparsed, "Port", string) && Reads(reparsed, "Size", number),
            "the file reads back");
  reparsed.Write(kKey, "Port", string);
  FuzzCheck(reparsed.Text() == written, "the same write again changes nothing");
  return 0;
}
