#pragma once

#include <string>

#include "apps/common/port_discovery.h"
#include "support/temp_folder.h"

// A sysfs and a /dev built in a temporary folder, shaped as a recent kernel shows its
// serial ports. The device nodes are plain files: nothing here is a device.
class FakeSystem {
 public:
  SystemFolders Folders() const { return {folder_.File("sys"), Dev()}; }
  std::string Dev() const { return folder_.File("dev"); }

  // ttyS<n> behind the serial core's port device; `type` 0 is a UART that is absent.
  void Uart(int n, int type);
  // A USB device at bus path `usb` ("1-1") with `tty` on its first interface: a
  // usb-serial converter, or with the driver cdc_acm the interface's own tty. The
  // by-id link is made when `byId` is not empty.
  struct Usb {
    const char* tty;
    const char* usb;
    const char* driver;
    const char* vendor;
    const char* product;
    const char* manufacturer;
    const char* productName;
    const char* serial;
    const char* byId;
  };
  void UsbPort(const Usb& port);
  // A virtual terminal: a tty without a device.
  void Terminal(const std::string& name);

 private:
  std::string Sys(const std::string& path) const { return folder_.File("sys/" + path); }

  TempFolder folder_;
};
