// The serial ports found through a fake sysfs, and the choices the settings file keeps.
#include "apps/common/port_choices.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "serial/driver/directory.h"
#include "support/fake_system.h"

namespace {

const FakeSystem::Usb kFtdi = {"ttyUSB0", "1-1", "ftdi_sio", "0403", "6001", "FTDI",
                               "FT232R USB UART", "A50285BI",
                               "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"};
const FakeSystem::Usb kUnknownAdapter = {"ttyUSB1", "1-3", "ch341", "abcd", "0001", "",
                                         "USB Serial", "", ""};
const FakeSystem::Usb kAcm = {"ttyACM0", "1-2", "cdc_acm", "2341", "0043", "Arduino", "Uno",
                              "7", "usb-Arduino_Uno_7-if00"};

std::vector<std::string> Shown(const std::vector<SerialPort>& ports) {
  std::vector<std::string> lines;
  for (const SerialPort& port : ports)
    lines.push_back(port.device + " | " + DescriptionOf(port) + " | " + port.stableName);
  return lines;
}

}  // namespace

TEST(PortDiscovery, SysfsTellsKindDriverAndStableNameAndLeavesOutAbsentUarts) {
  FakeSystem system;
  system.Uart(0, 4);
  system.Uart(1, 0);
  system.Uart(10, 4);
  system.UsbPort(kFtdi);
  system.UsbPort(kAcm);
  system.Terminal("tty1");
  const std::string dev = system.Dev();
  const std::vector<std::string> present = {
      dev + "/ttyS0 | UART, serial8250 | ",
      dev + "/ttyS10 | UART, serial8250 | ",
      dev + "/ttyACM0 | ACM 2341:0043 Arduino Uno, cdc_acm, n° 7 | " + dev +
          "/serial/by-id/usb-Arduino_Uno_7-if00",
      dev + "/ttyUSB0 | USB 0403:6001 FTDI FT232R USB UART, ftdi_sio, n° A50285BI | " + dev +
          "/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
  };
  EXPECT_EQ(Shown(FindSerialPorts(system.Folders(), false)), present);
  std::vector<std::string> all = present;
  all.insert(all.begin() + 1, dev + "/ttyS1 | sans UART, serial8250 | ");
  EXPECT_EQ(Shown(FindSerialPorts(system.Folders(), true)), all);
  EXPECT_TRUE(FindSerialPorts({system.Dev() + "/none", system.Dev()}, true).empty());
}

TEST(PortChoices, TheOnlyAdapterStandsForCom1WhenNothingIsSavedAndTtyS0HasNoUart) {
  const struct {
    const char* name;
    int ttyS0Type;  // -1: no ttyS0
    std::vector<FakeSystem::Usb> usb;
    bool saved;
    bool commandLineMaps;
    const char* notice;  // with DEV for the fake /dev
  } cases[] = {
      {"no UART behind ttyS0", 0, {kFtdi, kAcm}, false, false, "COM1 = DEV/ttyUSB0 (FTDI FT232R)"},
      {"no ttyS0 at all", -1, {kUnknownAdapter}, false, false, "COM1 = DEV/ttyUSB1 (USB Serial)"},
      {"ttyS0 is a UART", 4, {kFtdi}, false, false, ""},
      {"two adapters", 0, {kFtdi, kUnknownAdapter}, false, false, ""},
      {"only an ACM device", 0, {kAcm}, false, false, ""},
      {"a saved choice", 0, {kFtdi}, true, false, ""},
      {"a mapping on the command line", 0, {kFtdi}, false, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSystem system;
    if (c.ttyS0Type >= 0) system.Uart(0, c.ttyS0Type);
    for (const auto& usb : c.usb) system.UsbPort(usb);
    const std::string settings = system.Dev() + "/belvanto.ini";
    if (c.saved) WriteWholeFile(settings, "[Ports]\nCOM3=" + system.Dev() + "/ttyUSB0\n");
    driver::PortDirectory directory;
    PortChoices choices({settings, system.Folders()}, directory);

    std::string expected = c.notice;
    if (const auto at = expected.find("DEV"); at != std::string::npos) expected.replace(at, 3, system.Dev());
    EXPECT_EQ(choices.Restore(c.commandLineMaps), expected);
    EXPECT_EQ(directory.PathOf("COM1"), expected.empty() ? "/dev/ttyS0" : expected.substr(7, expected.find(' ', 7) - 7));
    EXPECT_EQ(directory.PathOf("COM3"), c.saved ? system.Dev() + "/ttyUSB0" : "/dev/ttyS2");
  }
}

// Whatever the file holds, the program starts; every entry left out is named.
TEST(PortChoices, BadSettingsAreLeftOutAndTold) {
  FakeSystem system;
  system.UsbPort(kFtdi);
  const std::string dev = system.Dev();
  const std::string settings = dev + "/belvanto.ini";
  WriteWholeFile(settings, std::string("\x01\xff garbage\n[Ports\n[Ports]\nCOM1=ttyUSB0\nCOM2\n") +
                               "COM3=" + dev + "/serial/by-id/gone\nCOM4=" + dev + "/ttyUSB0\n");
  driver::PortDirectory directory;
  PortChoices choices({settings, system.Folders()}, directory);
  EXPECT_EQ(choices.Restore(false), "Port COM1 ignoré : ttyUSB0 n'est pas un chemin ; Port COM3 ignoré : " +
                                        dev + "/serial/by-id/gone introuvable");
  EXPECT_EQ(directory.PathOf("COM1"), "/dev/ttyS0");
  EXPECT_EQ(directory.PathOf("COM4"), dev + "/ttyUSB0");

  std::filesystem::create_directory(dev + "/folder.ini");
  PortChoices unreadable({dev + "/folder.ini", system.Folders()}, directory);
  EXPECT_EQ(unreadable.Restore(false), "Réglages ignorés : " + dev + "/folder.ini illisible");
}
