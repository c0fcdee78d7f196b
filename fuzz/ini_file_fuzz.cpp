#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "serial/ini_file.h"

// Any text parses; an untouched document gives back its text byte for byte; a write
// that is accepted reads back exactly, under any letter case of the names, and a
// second identical write changes nothing.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  IniDocument document(text);
  FuzzCheck(document.Text() == text, "untouched text comes back");
  (void)document.Read("ComPort1", "Port");

  // The last line of the input chooses the value, so values vary too.
  const std::string_view value =
      text.substr(text.rfind('\n') == std::string_view::npos ? 0 : text.rfind('\n') + 1);
  if (!document.Write("ComPort1", "BaudRate", value)) return 0;
  FuzzCheck(document.Read("COMPORT1", "baudrate") == std::string(value), "a write reads back");
  const std::string written = document.Text();
  IniDocument reparsed(written);
  FuzzCheck(reparsed.Read("comport1", "BAUDRATE") == std::string(value), "the file reads back");
  reparsed.Write("ComPort1", "BaudRate", value);
  FuzzCheck(reparsed.Text() == written, "the same write again changes nothing");
  return 0;
}
