#include "apps/common/port_mapping.h"

#include <stdexcept>

// On Windows COMn is the device itself: there is nothing to map.
CommonOptions::Mapping ParseMapping(const std::string&) {
  throw std::invalid_argument("--map is not taken on Windows, where COMn is the device itself");
}

std::string MapOptionHelp() { return ""; }
