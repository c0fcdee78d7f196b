#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "serial/text_forms.h"

namespace {

// Any text reads as a value of the form, whose text reads back as that same value.
template <typename Value>
void CheckForm(std::string_view text, Value (*toValue)(std::string_view), std::string (*toText)(Value),
               const char* property) {
  const Value value = toValue(text);
  const std::string written = toText(value);
  FuzzCheck(!written.empty() && toValue(written) == value, property);
}

}  // namespace

// Every text form takes any text; every character survives its text form.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckForm(text, TextToBaudRate, BaudRateToText, "baud rate");
  CheckForm(text, TextToStopBits, StopBitsToText, "stop bits");
  CheckForm(text, TextToDataBits, DataBitsToText, "data bits");
  CheckForm(text, TextToParity, ParityToText, "parity");
  CheckForm(text, TextToFlowControl, FlowControlToText, "flow control");
  CheckForm(text, TextToDTRControl, DTRControlToText, "DTR control");
  CheckForm(text, TextToRTSControl, RTSControlToText, "RTS control");
  CheckForm(text, TextToBool, BoolToText, "switch");
  (void)TextToChar(text);
  for (const char c : text) FuzzCheck(TextToChar(CharToText(c)) == c, "a character reads back");
  return 0;
}
