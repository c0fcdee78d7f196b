#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "serial/driver/device.h"

namespace driver {

// Where COMn lives on this machine: the system's own device (SystemPathOf) unless
// mapped to another path.
class PortMap {
 public:
  void Map(const std::string& portName, const std::string& path);
  void Unmap(const std::string& portName);  // back to the system's device
  std::string PathOf(const std::string& portName) const;  // "" for a name not of the form COMn
  void Clear();

 private:
  std::map<std::string, std::string> paths_;
};

// The process-wide factory: a port name with a device factory attached to it (the
// simulated reader) is served by that factory; every other name opens the operating
// system's device through the port map.
class PortDirectory : public DeviceFactory {
 public:
  static PortDirectory& Instance();

  void Attach(const std::string& portName, std::shared_ptr<DeviceFactory> factory);
  void Detach(const std::string& portName);
  void DetachAll();
  void MapPort(const std::string& portName, const std::string& path);
  void UnmapPort(const std::string& portName);
  std::string PathOf(const std::string& portName) const;

  int Open(const std::string& portName, std::shared_ptr<Device>& device) override;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<DeviceFactory>> attached_;
  PortMap map_;
};

// The operating system's device of COMn: /dev/ttyS{n-1} on Linux, \\.\COMn on Windows.
std::string SystemPathOf(long portNumber);

// Opens an operating-system device path for exclusive use (the platform backend).
int OpenSystemDevice(const std::string& path, std::shared_ptr<Device>& device);

}  // namespace driver
