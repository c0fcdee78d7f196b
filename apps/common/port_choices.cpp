#include "apps/common/port_choices.h"

#include <filesystem>

#include "common/file_io.h"
#include "serial/driver/directory.h"
#include "serial/ini_file.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kSection = "Ports";
constexpr int kLastPort = 96;

std::string ComName(int number) { return "COM" + std::to_string(number); }

// Why a saved device cannot stand for a port, "" when it can. Only looked at, never
// opened.
std::string FaultOf(const std::string& path) {
  if (path.front() != '/') return path + " n'est pas un chemin";
  std::error_code error;
  if (!fs::exists(path, error)) return path + " introuvable";
  return "";
}

// A file that is there but cannot be read looks empty to TIniFile.
bool Unreadable(const std::string& file) {
  std::string ignored;
  std::error_code error;
  return fs::exists(file, error) && ReadFilePrefix(file, 1, ignored) != FileReadResult::Ok;
}

void Append(std::string& notices, const std::string& notice) {
  if (notice.empty()) return;
  notices += (notices.empty() ? "" : " ; ") + notice;
}

}  // namespace

std::string PortChoices::Restore(bool commandLineMaps) {
  const std::string& file = places_.settingsFile;
  if (file.empty()) return "";
  if (Unreadable(file)) return "Réglages ignorés : " + file + " illisible";
  std::string notices;
  bool restored = false;
  const TIniFile settings(file);
  for (int number = 1; number <= kLastPort; ++number) {
    const std::string port = ComName(number);
    const std::string path = settings.ReadString(kSection, port, "");
    if (path.empty()) continue;
    if (const std::string fault = FaultOf(path); !fault.empty()) {
      Append(notices, "Port " + port + " ignoré : " + fault);
      continue;
    }
    directory_.MapPort(port, path);
    restored = true;
  }
  if (!restored && !commandLineMaps) Append(notices, ChooseTheOnlyAdapter());
  return notices;
}

// The rule for a machine whose first UART is missing and whose reader is on the one
// USB adapter plugged in.
std::string PortChoices::ChooseTheOnlyAdapter() {
  const std::string firstUart = (fs::path(places_.folders.dev) / "ttyS0").string();
  const SerialPort* adapter = nullptr;
  int adapters = 0;
  const std::vector<SerialPort> found = AllPorts();
  for (const SerialPort& port : found) {
    if (port.device == firstUart && port.kind == PortKind::Uart) return "";
    if (port.kind == PortKind::UsbAdapter) {
      adapter = &port;
      ++adapters;
    }
  }
  if (adapters != 1) return "";
  directory_.MapPort("COM1", adapter->device);
  return "COM1 = " + adapter->device + " (" + AdapterName(*adapter) + ")";
}

void PortChoices::Choose(const std::string& port, const std::string& path) {
  std::error_code ignored;  // a folder that cannot be made fails the write below
  fs::create_directories(fs::path(places_.settingsFile).parent_path(), ignored);
  TIniFile(places_.settingsFile).WriteString(kSection, port, path);
  if (path.empty())
    directory_.UnmapPort(port);
  else
    directory_.MapPort(port, path);
}

std::string PortChoices::PathOf(const std::string& port) const { return directory_.PathOf(port); }

std::string PortChoices::WhatStandsFor(const std::string& port,
                                       const std::vector<SerialPort>& found) const {
  const std::string path = PathOf(port);
  for (const SerialPort& device : found) {
    if (path != device.device && path != device.stableName) continue;
    const std::string node = path == device.device ? "" : " = " + device.device;
    return port + " : " + path + node + " (" + DescriptionOf(device) + ")";
  }
  return port + " : " + path + " (introuvable)";
}
