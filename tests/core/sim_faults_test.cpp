#include <gtest/gtest.h>

#include <cstdio>

#include "common/file_io.h"

#include "serial/driver/directory.h"
#include "sim/scenarios.h"
#include "support/sim_fixture.h"

using namespace driver;
using namespace driver::sim;

namespace {

// The plain reply (echo included) to the read command of one 256-byte block.
std::string BlockReply(SimLink& link, unsigned block) {
  return Coded(link.Exchange(ReadHeader(block * 256, 0), 264));
}

std::string Status(const std::string& reply) { return Hex(reply.substr(reply.size() - 2)); }

}  // namespace

TEST(SimFaultsAtr, ResetAnswersAsTheCardInTheSlotWould) {
  const struct {
    const char* name;
    bool inserted;
    std::string atr;
    std::string expected;
    double endsMs;  // a full ATR after the reset delay, else the read's time-out
  } cases[] = {
      {"good card", true, GoodAtr(), "3F 67 2F 00 11 14 00 03 68 90 00", 2 + 11 * 1.25},
      {"no card", false, GoodAtr(), "", 422},
      {"foreign card", true, ForeignAtr(), "3F 65 25 08 31 04 6C 90 00", 422},
      {"ATR cut after 10", true, GoodAtr().substr(0, 10), "3F 67 2F 00 11 14 00 03 68 90", 422},
  };
  for (const auto& c : cases) {
    ReaderSetup setup;
    setup.cardInserted = c.inserted;
    setup.atr = c.atr;
    VirtualBench bench(setup);
    SimLink link(bench.simulation);
    link.PulseRts();
    EXPECT_EQ(Hex(Coded(link.Read(11))), c.expected) << c.name;
    EXPECT_DOUBLE_EQ(bench.Milliseconds(), c.endsMs) << c.name;
  }
}

TEST(SimFaultsAtr, NewResetCutsTheAnswerUnderWay) {
  VirtualBench bench;
  SimLink link(bench.simulation);
  link.PulseRts();
  // Two ATR characters are out and the third has sent 4 of its data bits: its rest
  // stays idle (high), which the host takes for 1 bits.
  bench.clock->Advance(std::chrono::milliseconds(5));
  link.PulseRts();
  EXPECT_EQ(Hex(link.Read(14)), "03 19 FB 03 19 0B FF 77 D7 FF 3F E9 F6 FF");
}

TEST(SimFaultsCard, ReplyEndsInAnotherStatusOnTheChosenBlockOnly) {
  ReaderSetup setup;
  setup.card.wrongStatusAt = 2;
  VirtualBench bench(setup);
  SimLink link(bench.simulation);
  EXPECT_EQ(Status(BlockReply(link, 0)), "90 00");
  EXPECT_EQ(Status(BlockReply(link, 1)), "90 00");
  const std::string failing = BlockReply(link, 2);
  EXPECT_EQ(failing.size(), 264u);
  EXPECT_EQ(Status(failing), "65 81");
  EXPECT_EQ(Status(BlockReply(link, 3)), "90 00");
  link.PulseRts();  // counting starts again at each reset
  link.Read(11);
  BlockReply(link, 0);
  BlockReply(link, 1);
  EXPECT_EQ(Status(BlockReply(link, 2)), "65 81");
}

TEST(SimFaultsCard, ReplyLosesTheByteBeforeItsStatus) {
  ReaderSetup setup;
  setup.card.lostByteAt = 1;
  VirtualBench bench(setup);
  SimLink link(bench.simulation);
  EXPECT_EQ(BlockReply(link, 0).size(), 264u);
  const std::string shortReply = BlockReply(link, 1);
  EXPECT_EQ(shortReply.size(), 263u);
  EXPECT_EQ(Status(shortReply), "90 00");
  EXPECT_EQ(shortReply.substr(6, 255), bench.simulation.Memory().substr(256, 255));

  // A write's answer loses its procedure byte; the card still takes the page.
  link.PulseRts();
  link.Read(11);
  EXPECT_EQ(WritePageRaw(link, 0, "\x01\x02"), "90 00");
  EXPECT_EQ(Hex(Coded(link.Read(6))), "");
  link.Write(WriteHeader(0x20, 2));
  EXPECT_EQ(link.Read(6).size(), 5u);
}

TEST(SimFaultsCard, PulledCardFallsSilentAndDropsCarrierDetect) {
  ReaderSetup setup;
  setup.cardPulledAfter = 3;
  VirtualBench bench(setup);
  SimLink link(bench.simulation);
  ASSERT_EQ(link.Device().SetEventMask(EV_RLSD), 0);
  for (unsigned block = 0; block < 3; ++block) EXPECT_EQ(BlockReply(link, block).size(), 264u);
  EXPECT_EQ(BlockReply(link, 3).size(), 5u);  // the echo only
  std::uint32_t status = 0;
  ASSERT_EQ(link.Device().ModemStatus(status), 0);
  EXPECT_EQ(status & MS_RLSD_ON, 0u);
  std::uint32_t occurred = 0;
  WakeEvent stopped(true);
  EXPECT_EQ(link.Device().WaitEvent(occurred, stopped), 0);
  EXPECT_EQ(occurred, EV_RLSD);
  link.PulseRts();
  EXPECT_EQ(link.Read(11), "");
}

TEST(SimFaultsReader, UnpluggedReaderFailsEveryCallAsAVanishedDevice) {
  ReaderSetup setup;
  setup.readerUnpluggedAfter = 2;
  VirtualBench bench(setup);
  std::shared_ptr<Device> device;
  ASSERT_EQ(bench.simulation.Open("COM1", device), 0);
  ASSERT_EQ(device->SetTimeouts(SimLink::CardTimeouts()), 0);
  ASSERT_EQ(device->SetState(SimLink::CardLine()), 0);
  const std::string header = ReadHeader(0, 0);
  std::string reply(300, '\0');
  for (int block = 0; block < 2; ++block) {
    std::unique_ptr<Transfer> write;
    std::unique_ptr<Transfer> read;
    std::size_t moved = 0;
    ASSERT_EQ(device->StartWrite(header.data(), header.size(), write, moved), 0);
    // The second read asks for more than comes: it is still waiting when the reader goes.
    ASSERT_EQ(device->StartRead(reply.data(), block == 0 ? 264 : 300, read, moved), 0);
    EXPECT_EQ(read->Wait(moved), block == 0 ? 0 : EIO);
  }
  std::unique_ptr<Transfer> transfer;
  std::size_t moved = 0;
  EXPECT_EQ(device->StartWrite(header.data(), header.size(), transfer, moved), EIO);
  std::uint32_t value = 0;
  EXPECT_EQ(device->ClearErrors(value, value), EIO);
  EXPECT_EQ(device->Escape(SETRTS), EIO);
  device->Close();
  EXPECT_EQ(bench.simulation.Open("COM1", device), kMissing);
}

TEST(SimFaultsReader, PortHeldByAnotherProgramIsBusy) {
  ReaderSetup setup;
  setup.heldByAnotherProgram = true;
  VirtualBench bench(setup);
  std::shared_ptr<Device> device;
  EXPECT_EQ(bench.simulation.Open("COM4", device), BusyError());
  EXPECT_FALSE(device);
}

TEST(SimFaultsCard, StuckCellsKeepTheirValueThroughWrites) {
  ReaderSetup setup;
  setup.stuckCells = {{0x0005, 0x00}, {0x0011, 0xA5}};
  VirtualBench bench(setup);
  SimLink link(bench.simulation);
  EXPECT_EQ(WritePageRaw(link, 0x0000, std::string(32, '\xFF')), "90 00");
  const std::string block = BlockReply(link, 0).substr(6, 32);
  std::string expected(32, '\xFF');
  expected[0x05] = '\x00';
  expected[0x11] = '\xA5';
  EXPECT_EQ(Hex(block), Hex(expected));
}

TEST(SimFaultsCard, WriteProtectedCardRefusesWritesAtOnce) {
  ReaderSetup setup;
  setup.card.writeProtected = true;
  VirtualBench bench(setup);
  SimLink link(bench.simulation);
  link.Write(WriteHeader(0x0010, 4));
  EXPECT_EQ(Hex(Coded(link.Read(7)).substr(5)), "69 82");
  EXPECT_EQ(static_cast<std::uint8_t>(bench.simulation.Memory()[0x10]), PatternByte(0x10));
  EXPECT_EQ(Status(BlockReply(link, 0)), "90 00");  // reads still work
}

TEST(SimScenarios, BuiltInPortsShowTheFourSituations) {
  const auto scenarios = BuiltInScenarios("/tmp/image.bin", 3);
  ASSERT_EQ(scenarios.size(), 4u);
  const ReaderSetup& good = scenarios.at("COM1");
  EXPECT_TRUE(good.cardInserted);
  EXPECT_EQ(good.atr, GoodAtr());
  EXPECT_EQ(good.eeprom, Eeprom::k24C64);
  EXPECT_EQ(good.imagePath, "/tmp/image.bin");
  EXPECT_EQ(good.speedFactor, 3);
  EXPECT_FALSE(scenarios.at("COM2").cardInserted);
  EXPECT_EQ(scenarios.at("COM3").atr, ForeignAtr());
  EXPECT_TRUE(scenarios.at("COM4").heldByAnotherProgram);
  for (const auto& [port, setup] : scenarios) {
    EXPECT_EQ(setup.speedFactor, 3) << port;
    if (port != "COM1") {
      EXPECT_EQ(setup.imagePath, "") << port;
    }
    if (port != "COM4") {
      EXPECT_FALSE(setup.heldByAnotherProgram) << port;
    }
  }
}

class SimScenariosAttached : public ::testing::Test {
 protected:
  static constexpr const char* kPorts[] = {"COM1", "COM2", "COM3", "COM4"};
  // Where the ports lead when nothing is attached: nowhere, never to a real device.
  void SetUp() override {
    for (const char* port : kPorts) PortDirectory::Instance().MapPort(port, "/nonexistent/sim-test");
  }
  void TearDown() override {
    for (const char* port : kPorts) PortDirectory::Instance().Detach(port);
  }
};

TEST_F(SimScenariosAttached, PortDirectoryServesTheBuiltInSet) {
  AttachBuiltInScenarios("", 1000);
  auto& directory = PortDirectory::Instance();
  std::shared_ptr<Device> device;
  EXPECT_TRUE(IsBusyError(directory.Open("COM4", device)));
  for (const auto& [port, atr] : {std::pair{"COM1", GoodAtr()}, {"COM2", std::string()},
                                  {"COM3", ForeignAtr()}}) {
    ASSERT_EQ(directory.Open(port, device), 0) << port;
    device->Close();
  }
  ASSERT_EQ(directory.Open("COM1", device), 0);
  std::shared_ptr<Device> second;
  EXPECT_TRUE(IsBusyError(directory.Open("COM1", second)));
}

TEST_F(SimScenariosAttached, BadImageAttachesNothing) {
  const std::string image = ::testing::TempDir() + "sim_scenarios_short.bin";
  ASSERT_EQ(WriteFileAtomically(image, "too short"), 0);
  EXPECT_THROW(AttachBuiltInScenarios(image, 1), std::runtime_error);
  std::shared_ptr<Device> device;
  for (const char* port : kPorts) {
    // The mapped path is missing; how the system says so differs (Windows: no such path).
    const int error = PortDirectory::Instance().Open(port, device);
    EXPECT_TRUE(error != 0 && !IsBusyError(error)) << port << ": " << error;
  }
  std::remove(image.c_str());
}

TEST(SimSetup, ImpossibleSettingsAreRefusedWhenTheSimulationIsMade) {
  ReaderSetup noSpeed;
  noSpeed.speedFactor = 0;
  ReaderSetup tooNoisy;
  tooNoisy.noiseRate = 1.5;
  ReaderSetup cellOutside;
  cellOutside.eeprom = Eeprom::k24C16;
  cellOutside.stuckCells = {{0x0800, 0}};
  for (const ReaderSetup& setup : {noSpeed, tooNoisy, cellOutside})
    EXPECT_THROW(Simulation{setup}, std::invalid_argument);
}
