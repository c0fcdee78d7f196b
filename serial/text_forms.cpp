#include "serial/text_forms.h"

#include <array>
#include <cstddef>

#include "serial/text_syntax.h"

namespace {

template <typename E, std::size_t N>
struct Form {
  std::array<std::string_view, N> texts;  // by ordinal
  E fallback;

  std::string ToText(E value) const {
    const auto ordinal = static_cast<std::size_t>(value);
    return ordinal < N ? std::string(texts[ordinal]) : std::string();
  }
  E FromText(std::string_view text) const {
    for (std::size_t i = 0; i < N; ++i)
      if (SameTextAscii(texts[i], text)) return static_cast<E>(i);
    return fallback;
  }
};

constexpr Form<TBaudRate, br256000 + 1> kBaudRates{
    {"Custom", "110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400",
     "56000", "57600", "115200", "128000", "256000"},
    br9600};
constexpr Form<TStopBits, sbTwoStopBits + 1> kStopBits{{"1", "1.5", "2"}, sbOneStopBit};
constexpr Form<TDataBits, dbEight + 1> kDataBits{{"5", "6", "7", "8"}, dbEight};
constexpr Form<TParityBits, prSpace + 1> kParities{{"None", "Odd", "Even", "Mark", "Space"},
                                                   prNone};
constexpr Form<TFlowControl, fcCustom + 1> kFlowControls{{"Hardware", "Software", "None", "Custom"},
                                                         fcCustom};
constexpr Form<TDTRFlowControl, dtrHandshake + 1> kDTRControls{{"Disable", "Enable", "Handshake"},
                                                               dtrDisable};
constexpr Form<TRTSFlowControl, rtsToggle + 1> kRTSControls{
    {"Disable", "Enable", "Handshake", "Toggle"}, rtsDisable};

}  // namespace

std::string BaudRateToText(TBaudRate value) { return kBaudRates.ToText(value); }
TBaudRate TextToBaudRate(std::string_view text) { return kBaudRates.FromText(text); }
std::string StopBitsToText(TStopBits value) { return kStopBits.ToText(value); }
TStopBits TextToStopBits(std::string_view text) { return kStopBits.FromText(text); }
std::string DataBitsToText(TDataBits value) { return kDataBits.ToText(value); }
TDataBits TextToDataBits(std::string_view text) { return kDataBits.FromText(text); }
std::string ParityToText(TParityBits value) { return kParities.ToText(value); }
TParityBits TextToParity(std::string_view text) { return kParities.FromText(text); }
std::string FlowControlToText(TFlowControl value) { return kFlowControls.ToText(value); }
TFlowControl TextToFlowControl(std::string_view text) { return kFlowControls.FromText(text); }
std::string DTRControlToText(TDTRFlowControl value) { return kDTRControls.ToText(value); }
TDTRFlowControl TextToDTRControl(std::string_view text) { return kDTRControls.FromText(text); }
std::string RTSControlToText(TRTSFlowControl value) { return kRTSControls.ToText(value); }
TRTSFlowControl TextToRTSControl(std::string_view text) { return kRTSControls.FromText(text); }

std::string BoolToText(bool value) { return value ? "Yes" : "No"; }
bool TextToBool(std::string_view text) { return SameTextAscii(text, "YES"); }

std::string CharToText(char value) {
  const auto code = static_cast<unsigned char>(value);
  if (code >= 33 && code <= 127) return std::string(1, value);
  return "#" + std::to_string(code);
}

char TextToChar(std::string_view text) {
  if (text.empty()) return 0;
  if (text[0] != '#') return text[0];
  if (text.size() == 1) return '#';
  const std::int32_t number = TextToInteger(text.substr(1)).value_or(0);
  return static_cast<char>(static_cast<unsigned char>(number & 0xFF));
}
