// The serial ports found through a fake sysfs, and the choices the settings file keeps.
#include "apps/common/port_choices.h"

#include <gtest/gtest.h>

#include "serial/driver/directory.h"
#include "support/fake_system.h"

namespace {

const FakeSystem::Usb kFtdi = {"ttyUSB0", "ftdi_sio", "0403", "6001", "FTDI", "FT232R USB UART",
                               "A50", "usb-FTDI_A50-if00-port0"};
const FakeSystem::Usb kOther = {"ttyUSB1", "ch341", "abcd", "0001", "", "USB Serial", "", ""};
const FakeSystem::Usb kAcm = {"ttyACM0", "cdc_acm", "2341", "0043", "Arduino", "Uno", "7", "usb-Uno"};

std::string Shown(const std::vector<SerialPort>& ports) {
  std::string text;
  for (const SerialPort& p : ports) text += p.device + " " + DescriptionOf(p) + " " + p.stableName + "|";
  return text;
}

}  // namespace

TEST(PortDiscovery, SysfsTellsKindDriverAndStableNameAndLeavesOutAbsentUarts) {
  FakeSystem system;
  for (const auto& [n, type] : {std::pair{0, 4}, {1, 0}, {10, 4}}) system.Uart(n, type);
  for (const auto& usb : {kFtdi, kAcm}) system.UsbPort(usb);
  const std::string d = system.Dev();
  const std::string rest = d + "/ttyS10 UART, serial8250 |" + d + "/ttyACM0 ACM 2341:0043 Arduino Uno, cdc_acm, n° 7 " +
                           d + "/serial/by-id/usb-Uno|" + d + "/ttyUSB0 USB 0403:6001 FTDI FT232R USB UART, " +
                           "ftdi_sio, n° A50 " + d + "/serial/by-id/usb-FTDI_A50-if00-port0|";
  EXPECT_EQ(Shown(FindSerialPorts(system.Folders(), false)), d + "/ttyS0 UART, serial8250 |" + rest);
  EXPECT_EQ(Shown(FindSerialPorts(system.Folders(), true)),
            d + "/ttyS0 UART, serial8250 |" + d + "/ttyS1 sans UART, serial8250 |" + rest);
}

// Whatever the settings file holds, the program starts, and each entry left out is named.
TEST(PortChoices, SavedChoicesOrTheOnlyAdapterAndWhatTheUserIsTold) {
  const char* const garbage = "\x01\xff\n[Ports\n[Ports]\nCOM1=ttyUSB0\nCOM2\nCOM3=D/gone\nCOM4=D/ttyUSB0\n";
  const struct {
    int ttyS0Type;  // -1: no ttyS0
    std::vector<FakeSystem::Usb> usb;
    std::string settings;  // "": no file, "/": the folder of the fake /dev (D)
    bool commandLineMaps;
    std::string notice, com1;
  } cases[] = {
      {0, {kFtdi, kAcm}, "", false, "COM1 = D/ttyUSB0 (FTDI FT232R)", "D/ttyUSB0"},
      {-1, {kOther}, "", false, "COM1 = D/ttyUSB1 (USB Serial)", "D/ttyUSB1"},
      {4, {kFtdi}, "", false, "", "/dev/ttyS0"},
      {0, {kFtdi, kOther}, "", false, "", "/dev/ttyS0"},
      {0, {kAcm}, "", false, "", "/dev/ttyS0"},
      {0, {kFtdi}, "", true, "", "/dev/ttyS0"},
      {0, {kFtdi}, "[Ports]\nCOM1=D/ttyUSB0\n", false, "", "D/ttyUSB0"},
      {0, {kFtdi}, garbage, false,
       "Port COM1 ignoré : ttyUSB0 n'est pas un chemin ; Port COM3 ignoré : D/gone introuvable", "/dev/ttyS0"},
      {0, {kFtdi}, "/", false, "Réglages ignorés : D/ illisible", "/dev/ttyS0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    FakeSystem system;
    if (c.ttyS0Type >= 0) system.Uart(0, c.ttyS0Type);
    for (const auto& usb : c.usb) system.UsbPort(usb);
    const auto inDev = [&](std::string text) {
      for (std::size_t at; (at = text.find("D/")) != std::string::npos;) text.replace(at, 1, system.Dev());
      return text;
    };
    const std::string settings = system.Dev() + (c.settings == "/" ? "/" : "/belvanto.ini");
    if (c.settings.size() > 1) WriteWholeFile(settings, inDev(c.settings));
    driver::PortDirectory directory;
    EXPECT_EQ(PortChoices({settings, system.Folders()}, directory).Restore(c.commandLineMaps), inDev(c.notice));
    EXPECT_EQ(directory.PathOf("COM1"), inDev(c.com1));
  }
}
