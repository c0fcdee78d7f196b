#pragma once

#include <filesystem>
#include <string>

#include "apps/common/port_discovery.h"
#include "support/temp_folder.h"

// A sysfs and a /dev in a temporary folder, shaped as a recent kernel shows serial ports.
// The device nodes are plain files: nothing here is a device.
class FakeSystem {
 public:
  struct Usb {
    const char *tty, *driver, *vendor, *product, *manufacturer, *productName, *serial, *byId;
  };

  SystemFolders Folders() const { return {folder_.File("sys"), Dev()}; }
  std::string Dev() const { return folder_.File("dev"); }

  // ttyS<n> behind the serial core's port device (`type` 0: no UART), and a virtual terminal.
  void Uart(int n, int type) {
    const std::string port = Sys("devices/serial8250/port" + std::to_string(n));
    const std::string tty = Sys("class/tty/ttyS" + std::to_string(n));
    Link(Sys("devices/serial8250/driver"), "drivers/serial8250");
    Link(port + "/subsystem", "bus/serial-base");
    Attribute(tty + "/type", std::to_string(type));
    Link(tty + "/device", port);
    Attribute(Sys("class/tty/tty1/dev"), "4:1");
  }
  // A usb-serial converter's tty below the device's interface, or a cdc_acm interface's own.
  void UsbPort(const Usb& p) {
    const std::string device = Sys("devices/usb1/") + p.tty;
    const std::string tty = device + "/if0" + (std::string(p.driver) == "cdc_acm" ? "" : "/tty");
    for (const auto& [name, value] :
         {std::pair{"idVendor", p.vendor}, {"idProduct", p.product}, {"manufacturer", p.manufacturer},
          {"product", p.productName}, {"serial", p.serial}})
      Attribute(device + "/" + name, value);
    Link(tty + "/driver", std::string("drivers/") + p.driver);
    Link(Sys("class/tty/") + p.tty + "/device", tty);
    Attribute(Dev() + "/" + p.tty, "");
    if (*p.byId != '\0') Link(Dev() + "/serial/by-id/" + p.byId, std::string("../../") + p.tty);
  }

 private:
  std::string Sys(const std::string& path) const { return folder_.File("sys/" + path); }
  static std::string Made(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    return path;
  }
  static void Link(const std::string& link, const std::string& target) {
    std::error_code made;  // a second UART finds the driver link made
    std::filesystem::create_symlink(target, Made(link), made);
  }
  static void Attribute(const std::string& file, const std::string& value) { WriteWholeFile(Made(file), value + "\n"); }

  TempFolder folder_;
};
