#include "apps/common/port_discovery.h"

#include <stdexcept>

// COMn is the device itself on Windows: there is no map to keep, and the ports are the
// system's own list.
std::vector<SerialPort> FindSerialPorts(const SystemFolders&, bool) {
  throw std::runtime_error("La liste des ports n'est pas disponible sous Windows");
}

std::string SettingsFileName() { return ""; }
