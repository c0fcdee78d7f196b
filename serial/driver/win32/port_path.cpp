#include <string>

#include "serial/driver/directory.h"

namespace driver {

// The device namespace reaches every port, also those past COM9.
std::string SystemPathOf(long portNumber) { return "\\\\.\\COM" + std::to_string(portNumber); }

}  // namespace driver
