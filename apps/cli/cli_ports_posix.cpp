#include "apps/cli/cli_ports.h"

#include "card/card_link.h"

// A device path, for an adapter that has no COMn mapped to it.
namespace cli {

std::string DevicePortName(const std::string& text) { return IsDevicePath(text) ? text : ""; }

const char* const kPortHelp =
    "  --port COMn|PATH     the reader's port (default COM1), or its device path\n";
const char* const kPortExpected = "COMn (n from 1 to 96) or a device path";

}  // namespace cli
