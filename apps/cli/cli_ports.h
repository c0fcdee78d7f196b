#pragma once

#include <string>

// How this platform names a reader's port beyond a plain COMn.
namespace cli {

// The port that `text` names in the platform's own syntax, in the form the card link
// takes (COMn or a device path), or "" when it names none.
std::string DevicePortName(const std::string& text);

// The help line of --port, and what its error says the option expects.
extern const char* const kPortHelp;
extern const char* const kPortExpected;

}  // namespace cli
