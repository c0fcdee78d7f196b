#include <gtest/gtest.h>

#include <chrono>

#include "card/card_port.h"
#include "support/sim_comport.h"
#include "support/cpu_time.h"
#include "support/sim_fixture.h"

using namespace driver::sim;
using RealClock = std::chrono::steady_clock;

namespace {

std::string Pattern(std::size_t size) {
  std::string bytes;
  for (std::size_t a = 0; a < size; ++a) bytes += static_cast<char>(PatternByte(a));
  return bytes;
}

double WireSeconds(std::size_t size) { return double(size / 256) * 264 * 1.25e-3; }

struct Timed {
  std::string data;
  double seconds;
  double cpuSeconds;
};

// Opens the simulated port through the component and reads the whole card raw.
Timed RawReadThroughComPort(driver::DeviceFactory& factory, std::size_t size) {
  TComPort port;
  port.SetDeviceFactory(&factory);
  ApplyCardPortSettings(port);
  port.SetConnected(true);
  const auto start = RealClock::now();
  const auto cpuStart = test_support::ProcessCpuTime();
  Timed result;
  result.data = ReadCardRaw(ComPortExchange(port), size);
  result.seconds = std::chrono::duration<double>(RealClock::now() - start).count();
  result.cpuSeconds = std::chrono::duration<double>(test_support::ProcessCpuTime() - cpuStart).count();
  return result;
}

}  // namespace

class SimComPortSizes : public ::testing::TestWithParam<Eeprom> {};

TEST_P(SimComPortSizes, RawReadThroughTheComponentTakesExactlyTheWireTime) {
  ReaderSetup setup;
  setup.eeprom = GetParam();
  VirtualBench bench(setup);
  const std::size_t size = GeometryOf(GetParam()).size;
  EXPECT_EQ(RawReadThroughComPort(bench.simulation, size).data, Pattern(size));
  EXPECT_DOUBLE_EQ(bench.Milliseconds(), WireSeconds(size) * 1000);
}

INSTANTIATE_TEST_SUITE_P(AllSizes, SimComPortSizes,
                         ::testing::Values(Eeprom::k24C16, Eeprom::k24C32, Eeprom::k24C64));

// In real time the line time is a floor that nothing may undercut, and the host sleeps
// while it waits. How much the host's own delays add is the card benchmark's business
// (bench-card-link), not a test's.
TEST(SimComPortRealTime, RawReadStaysCloseToTheScaledWireTimeAndSleepsWhileWaiting) {
  constexpr double kSpeed = 4;
  ReaderSetup setup;
  setup.eeprom = Eeprom::k24C16;
  setup.speedFactor = kSpeed;
  Simulation simulation(setup);
  const Timed read = RawReadThroughComPort(simulation, 2048);
  EXPECT_EQ(read.data, Pattern(2048));
  const double wire = WireSeconds(2048) / kSpeed;
  EXPECT_GE(read.seconds, wire);
  EXPECT_LT(read.cpuSeconds, read.seconds / 2);
}
