#include "apps/common/port_mapping.h"

#include <stdexcept>

// On Linux COMn stands for /dev/ttyS{n-1}; an adapter has another device path.
CommonOptions::Mapping ParseMapping(const std::string& text) {
  const auto equals = text.find('=');
  const std::string normalised = PlainPortName(text.substr(0, equals));
  if (equals == std::string::npos || equals + 1 == text.size() || normalised.empty())
    throw std::invalid_argument("--map expects COMn=PATH with n from 1 to 96, not \"" + text +
                                "\"");
  return {normalised, text.substr(equals + 1)};
}

std::string MapOptionHelp() {
  return "  --map COMn=PATH      use the device PATH for COMn (default: COMn is /dev/ttyS{n-1});\n"
         "                       repeatable, e.g. --map COM1=/dev/ttyUSB0\n";
}
