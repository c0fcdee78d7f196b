#include "apps/common/port_discovery.h"

namespace {

struct KnownAdapter {
  const char* usbId;
  const char* name;
};

// The converters most readers are built on; others name themselves through sysfs.
constexpr KnownAdapter kKnownAdapters[] = {
    {"0403:6001", "FTDI FT232R"},        {"0403:6015", "FTDI FT-X"},
    {"067b:2303", "Prolific PL2303"},    {"10c4:ea60", "Silicon Labs CP210x"},
    {"1a86:7523", "QinHeng CH340"},
};

const char* const kKindNames[] = {"UART", "sans UART", "USB", "ACM"};

}  // namespace

std::string DescriptionOf(const SerialPort& port) {
  std::string text = kKindNames[static_cast<int>(port.kind)];
  if (!port.usbId.empty()) text += " " + port.usbId;
  if (!port.maker.empty()) text += " " + port.maker;
  if (!port.driver.empty()) text += ", " + port.driver;
  if (!port.serialNumber.empty()) text += ", n° " + port.serialNumber;
  return text;
}

std::string AdapterName(const SerialPort& port) {
  for (const KnownAdapter& known : kKnownAdapters)
    if (port.usbId == known.usbId) return known.name;
  return port.maker.empty() ? port.usbId : port.maker;
}
