#pragma once

#include <string>
#include <vector>

// The serial ports of this machine, found without opening any, and the file that keeps
// the user's choice of device for each COMn.

// Where the system shows its devices; tests put a fake tree in their place.
struct SystemFolders {
  std::string sys = "/sys";  // sysfs: class/tty/NAME/{device,type}
  std::string dev = "/dev";  // the device nodes and serial/by-id/
};

enum class PortKind {
  Uart,        // a UART with hardware behind it
  NoUart,      // a legacy ttyS whose UART is absent (sysfs type 0)
  UsbAdapter,  // a USB serial converter (ttyUSB)
  Acm,         // a USB device of the communication class (ttyACM)
};

struct SerialPort {
  std::string device;        // "/dev/ttyUSB0"
  std::string stableName;    // its link in /dev/serial/by-id, "" when there is none
  PortKind kind = PortKind::Uart;
  std::string driver;        // "ftdi_sio", "cdc_acm", "serial8250"; "" when unknown
  std::string usbId;         // "0403:6001", "" for a port not on USB
  std::string serialNumber;  // the USB device's, "" when it has none
  std::string maker;         // the USB device's manufacturer and product, as it tells them
};

// The serial ports that sysfs shows, sorted by device; legacy ttyS ports without a
// UART only when `all`. Reads sysfs and the by-id links only: no device is opened.
// Raises std::runtime_error where the platform cannot list its ports.
std::vector<SerialPort> FindSerialPorts(const SystemFolders& folders, bool all);

// The settings file ("" where the platform keeps no port map).
std::string SettingsFileName();

// Where the port choices are kept and the ports are found: the user's settings file and
// the system's folders, or a test's.
struct PortPlaces {
  std::string settingsFile = SettingsFileName();
  SystemFolders folders;
};

// "USB 0403:6001 FTDI FT232R USB UART, ftdi_sio, n° A50285BI": the kind and what the
// system tells of the port.
std::string DescriptionOf(const SerialPort& port);

// A short name for an adapter: "FTDI FT232R" for the well-known converters, else what
// the device tells of itself, else its USB id.
std::string AdapterName(const SerialPort& port);
