#pragma once

#include <string>
#include <string_view>

#include "serial/comport_types.h"

// The text forms in which the serial settings are stored. Text to value never fails:
// letters a to z match in either case, nothing is trimmed, and a text that matches no
// entry gives the form's fallback (br9600, sbOneStopBit, dbEight, prNone, fcCustom,
// dtrDisable, rtsDisable). A value outside its enumeration gives the empty text.

std::string BaudRateToText(TBaudRate value);  // "Custom", "110", ... "256000"
TBaudRate TextToBaudRate(std::string_view text);
std::string StopBitsToText(TStopBits value);  // "1", "1.5", "2"
TStopBits TextToStopBits(std::string_view text);
std::string DataBitsToText(TDataBits value);  // "5" ... "8"
TDataBits TextToDataBits(std::string_view text);
std::string ParityToText(TParityBits value);  // "None", "Odd", "Even", "Mark", "Space"
TParityBits TextToParity(std::string_view text);
std::string FlowControlToText(TFlowControl value);  // "Hardware", "Software", "None", "Custom"
TFlowControl TextToFlowControl(std::string_view text);
std::string DTRControlToText(TDTRFlowControl value);  // "Disable", "Enable", "Handshake"
TDTRFlowControl TextToDTRControl(std::string_view text);
std::string RTSControlToText(TRTSFlowControl value);  // ... and "Toggle"
TRTSFlowControl TextToRTSControl(std::string_view text);

// The switch form: "Yes" or "No"; only "YES" in any letter case reads as true.
std::string BoolToText(bool value);
bool TextToBool(std::string_view text);

// The character form: codes 33 to 127 as the character itself, every other code as
// "#" and the decimal code. Read back: the empty text is 0, a text not starting with
// "#" is its first character, "#" alone is "#", else the runtime's integer after the
// "#" (decimal or "$", "x", "0x" hexadecimal, with sign and leading blanks), of which
// the low 8 bits count; a number that does not convert gives 0.
std::string CharToText(char value);
char TextToChar(std::string_view text);
