#include "serial/driver/directory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "support/pseudo_terminal.h"

using driver::Device;
using driver::DeviceFactory;
using driver::PortDirectory;
using driver::PortMap;

TEST(PortMap, ComNumberMapsToTheUartBelowIt) {
  const PortMap map;
  const struct {
    const char* name;
    const char* path;
  } cases[] = {
      {"COM1", "/dev/ttyS0"}, {"COM4", "/dev/ttyS3"}, {"COM96", "/dev/ttyS95"},
      // Not of the form COMn: no device.
      {"COM0", ""},           {"COM", ""},          {"COM1x", ""},
      {"LPT1", ""},           {"com1", ""},         {"", ""},
      {"COM-2", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(map.PathOf(c.name), c.path) << c.name;
}

TEST(PortMap, MappingsOverrideAndLaterOnesWin) {
  PortMap map;
  map.Map("COM1", "/dev/ttyUSB0");
  map.Map("COM2", "/dev/ttyACM0");
  map.Map("COM1", "/dev/ttyUSB1");
  EXPECT_EQ(map.PathOf("COM1"), "/dev/ttyUSB1");
  EXPECT_EQ(map.PathOf("COM2"), "/dev/ttyACM0");
  EXPECT_EQ(map.PathOf("COM3"), "/dev/ttyS2");
  map.Clear();
  EXPECT_EQ(map.PathOf("COM1"), "/dev/ttyS0");
}

namespace {

class CountingFactory : public DeviceFactory {
 public:
  int Open(const std::string& portName, std::shared_ptr<Device>&) override {
    opened = portName;
    return EACCES;
  }
  std::string opened;
};

}  // namespace

TEST(PortDirectory, AttachedFactoryServesItsNameAndMappedNamesOpenTheSystemDevice) {
  PortDirectory directory;
  const auto factory = std::make_shared<CountingFactory>();
  directory.Attach("COM3", factory);
  std::shared_ptr<Device> device;
  EXPECT_EQ(directory.Open("COM3", device), EACCES);
  EXPECT_EQ(factory->opened, "COM3");

  test_support::PseudoTerminal pty;
  directory.MapPort("COM7", pty.Path());
  EXPECT_EQ(directory.PathOf("COM7"), pty.Path());
  ASSERT_EQ(directory.Open("COM7", device), 0);
  EXPECT_TRUE(device);
  device->Close();

  directory.Detach("COM3");
  directory.MapPort("COM3", "/dev/belvanto-no-such-tty");
  EXPECT_EQ(directory.Open("COM3", device), ENOENT);
  EXPECT_EQ(directory.Open("LPT1", device), ENOENT);
}
