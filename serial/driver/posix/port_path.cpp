#include <string>

#include "serial/driver/directory.h"

namespace driver {

std::string SystemPathOf(long portNumber) { return "/dev/ttyS" + std::to_string(portNumber - 1); }

}  // namespace driver
