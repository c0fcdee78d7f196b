#include "support/fake_system.h"

#include <filesystem>

namespace {

namespace fs = std::filesystem;

void Link(const std::string& link, const std::string& target) {
  fs::create_directories(fs::path(link).parent_path());
  fs::create_symlink(target, link);
}

void Attribute(const std::string& file, const std::string& value) {
  fs::create_directories(fs::path(file).parent_path());
  WriteWholeFile(file, value + "\n");
}

}  // namespace

void FakeSystem::Uart(int n, int type) {
  const std::string platform = Sys("devices/platform/serial8250");
  const std::string control = platform + "/serial8250:0";
  const std::string port = control + "/serial8250:0." + std::to_string(n);
  if (!fs::exists(platform)) {
    Link(platform + "/driver", Sys("bus/platform/drivers/serial8250"));
    Link(control + "/subsystem", Sys("bus/serial-base"));
  }
  Link(port + "/subsystem", Sys("bus/serial-base"));
  Link(port + "/driver", Sys("bus/serial-base/drivers/port"));
  const std::string tty = Sys("class/tty/ttyS" + std::to_string(n));
  Attribute(tty + "/type", std::to_string(type));
  Link(tty + "/device", port);
}

void FakeSystem::UsbPort(const Usb& port) {
  const std::string device = Sys("devices/usb1/") + port.usb;
  const std::string interface = device + "/" + port.usb + ":1.0";
  const bool acm = std::string(port.driver) == "cdc_acm";
  const std::string ttyDevice = acm ? interface : interface + "/" + port.tty;
  for (const auto& [name, value] : {std::pair{"idVendor", port.vendor}, {"idProduct", port.product},
                                    {"manufacturer", port.manufacturer}, {"product", port.productName},
                                    {"serial", port.serial}})
    Attribute(device + "/" + name, value);
  Link(ttyDevice + "/driver", Sys("bus/usb/drivers/") + port.driver);
  Link(Sys("class/tty/") + port.tty + "/device", ttyDevice);
  fs::create_directories(Dev());
  WriteWholeFile(Dev() + "/" + port.tty, "");
  if (*port.byId != '\0') Link(Dev() + "/serial/by-id/" + port.byId, std::string("../../") + port.tty);
}

void FakeSystem::Terminal(const std::string& name) { Attribute(Sys("class/tty/" + name + "/dev"), "4:1"); }
