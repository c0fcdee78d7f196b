#include "apps/common/port_discovery.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>

#include "common/file_io.h"

// Everything comes from sysfs attributes and symbolic links: opening a serial device to
// see what it is would move its modem lines (and /dev/ttyS0 may be the console).
namespace {

namespace fs = std::filesystem;

// The first line of a sysfs attribute, "" when it is absent.
std::string Attribute(const fs::path& file) {
  std::string text;
  if (ReadFilePrefix(file.string(), 256, text) != FileReadResult::Ok) return "";
  return text.substr(0, text.find('\n'));
}

std::string LinkName(const fs::path& link) {
  std::error_code error;
  return fs::read_symlink(link, error).filename().string();
}

// Newer kernels put the serial core's own port and controller devices (bus
// serial-base) between a UART's tty and the hardware that has the driver.
fs::path HardwareOf(fs::path device) {
  while (LinkName(device / "subsystem") == "serial-base") device = device.parent_path();
  return device;
}

// The USB device above a tty's device folder: the interface's parent, or for a
// usb-serial port the parent of its interface. Empty for a port not on USB.
fs::path UsbDeviceAbove(fs::path folder) {
  std::error_code error;
  for (int level = 0; level < 3; ++level, folder = folder.parent_path())
    if (fs::exists(folder / "idVendor", error)) return folder;
  return {};
}

// Each device of /dev/serial/by-id keyed by the device node its link names.
std::map<fs::path, std::string> StableNames(const fs::path& byId) {
  std::map<fs::path, std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(byId, error)) {
    const fs::path target = fs::read_symlink(entry.path(), error);
    if (!error) names.emplace((byId / target).lexically_normal(), entry.path().string());
  }
  return names;
}

std::string Joined(const std::string& first, const std::string& second) {
  return first.empty() || second.empty() ? first + second : first + " " + second;
}

std::optional<SerialPort> PortOf(const fs::path& ttyFolder, const SystemFolders& folders) {
  std::error_code error;
  const fs::path device = fs::canonical(ttyFolder / "device", error);
  if (error) return std::nullopt;  // a virtual terminal, not a port
  SerialPort port;
  port.device = (fs::path(folders.dev) / ttyFolder.filename()).string();
  port.driver = LinkName(HardwareOf(device) / "driver");
  if (const fs::path usb = UsbDeviceAbove(device); !usb.empty()) {
    port.kind = port.driver == "cdc_acm" ? PortKind::Acm : PortKind::UsbAdapter;
    port.usbId = Attribute(usb / "idVendor") + ":" + Attribute(usb / "idProduct");
    port.serialNumber = Attribute(usb / "serial");
    port.maker = Joined(Attribute(usb / "manufacturer"), Attribute(usb / "product"));
  } else if (Attribute(ttyFolder / "type") == "0") {
    port.kind = PortKind::NoUart;
  }
  return port;
}

// ttyS2 before ttyS10.
bool ComesBefore(const SerialPort& a, const SerialPort& b) {
  return std::pair(a.device.size(), a.device) < std::pair(b.device.size(), b.device);
}

}  // namespace

std::vector<SerialPort> FindSerialPorts(const SystemFolders& folders, bool all) {
  const auto stableNames = StableNames(fs::path(folders.dev) / "serial" / "by-id");
  std::vector<SerialPort> ports;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(fs::path(folders.sys) / "class" / "tty", error)) {
    std::optional<SerialPort> port = PortOf(entry.path(), folders);
    if (!port || (port->kind == PortKind::NoUart && !all)) continue;
    if (const auto it = stableNames.find(fs::path(port->device).lexically_normal());
        it != stableNames.end())
      port->stableName = it->second;
    ports.push_back(std::move(*port));
  }
  std::sort(ports.begin(), ports.end(), ComesBefore);
  return ports;
}

// The XDG base directory rule: a relative XDG_CONFIG_HOME is to be ignored.
std::string SettingsFileName() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  std::string folder;
  if (config && config[0] == '/')
    folder = config;
  else if (home && home[0] != '\0')
    folder = std::string(home) + "/.config";
  else
    return "";
  return folder + "/belvanto/belvanto.ini";
}
