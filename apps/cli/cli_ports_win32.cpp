#include "apps/cli/cli_ports.h"

#include <string_view>

#include "apps/common/program_options.h"

// COMn is the device itself; its full device name \\.\COMn (the only way to reach
// COM10 and above through CreateFile) is the same port.
namespace cli {

namespace {

constexpr std::string_view kDeviceNamespace = "\\\\.\\";

}  // namespace

std::string DevicePortName(const std::string& text) {
  if (text.rfind(kDeviceNamespace, 0) != 0) return "";
  return PlainPortName(text.substr(kDeviceNamespace.size()));
}

const char* const kPortHelp =
    "  --port COMn          the reader's port (default COM1); \\\\.\\COMn names it too\n";
const char* const kPortExpected = "COMn or \\\\.\\COMn (n from 1 to 96)";

}  // namespace cli
