#include "serial/driver/directory.h"

#include <cstdlib>

#include "serial/driver/errors.h"

namespace driver {

void PortMap::Map(const std::string& portName, const std::string& path) { paths_[portName] = path; }

void PortMap::Unmap(const std::string& portName) { paths_.erase(portName); }

void PortMap::Clear() { paths_.clear(); }

std::string PortMap::PathOf(const std::string& portName) const {
  if (const auto it = paths_.find(portName); it != paths_.end()) return it->second;
  if (portName.rfind("COM", 0) != 0 || portName.size() < 4) return "";
  char* end = nullptr;
  const long n = std::strtol(portName.c_str() + 3, &end, 10);
  if (*end != '\0' || n < 1) return "";
  return SystemPathOf(n);
}

PortDirectory& PortDirectory::Instance() {
  static PortDirectory directory;
  return directory;
}

void PortDirectory::Attach(const std::string& portName, std::shared_ptr<DeviceFactory> factory) {
  std::lock_guard lock(mutex_);
  attached_[portName] = std::move(factory);
}

void PortDirectory::Detach(const std::string& portName) {
  std::lock_guard lock(mutex_);
  attached_.erase(portName);
}

void PortDirectory::DetachAll() {
  std::lock_guard lock(mutex_);
  attached_.clear();
}

void PortDirectory::MapPort(const std::string& portName, const std::string& path) {
  std::lock_guard lock(mutex_);
  map_.Map(portName, path);
}

void PortDirectory::UnmapPort(const std::string& portName) {
  std::lock_guard lock(mutex_);
  map_.Unmap(portName);
}

std::string PortDirectory::PathOf(const std::string& portName) const {
  std::lock_guard lock(mutex_);
  return map_.PathOf(portName);
}

int PortDirectory::Open(const std::string& portName, std::shared_ptr<Device>& device) {
  std::shared_ptr<DeviceFactory> attached;
  std::string path;
  {
    std::lock_guard lock(mutex_);
    if (const auto it = attached_.find(portName); it != attached_.end()) attached = it->second;
    path = map_.PathOf(portName);
  }
  if (attached) return attached->Open(portName, device);
  if (path.empty()) return kMissing;
  return OpenSystemDevice(path, device);
}

}  // namespace driver
