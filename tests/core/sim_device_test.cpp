#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/cpu_time.h"
#include "support/sim_fixture.h"

using namespace driver;
using namespace driver::sim;
using namespace std::chrono_literals;

namespace {

ReaderSetup NoCard() {
  ReaderSetup setup;
  setup.cardInserted = false;
  return setup;
}

COMMTIMEOUTS ReadTimeouts(std::uint32_t interval, std::uint32_t multiplier, std::uint32_t constant) {
  return {interval, multiplier, constant, 0, 0};
}

// Real time sped up, counting the sleeps of the thread that made it.
class SleepCountingClock : public Clock {
 public:
  explicit SleepCountingClock(double speedFactor) : inner_(speedFactor) {}
  Time Now() const override { return inner_.Now(); }
  void SleepUntil(std::optional<Time> until, std::span<const WakeEvent* const> events) override {
    if (std::this_thread::get_id() == counted_) ++sleeps_;
    inner_.SleepUntil(until, events);
  }
  int Sleeps() const { return sleeps_; }

 private:
  ScaledClock inner_;
  const std::thread::id counted_ = std::this_thread::get_id();
  int sleeps_ = 0;  // only the counted thread touches it
};

// Starts a write and lets its characters go on the line without waiting for them.
void Send(Device& device, const std::string& bytes) {
  std::unique_ptr<Transfer> transfer;
  std::size_t immediate = 0;
  ASSERT_EQ(device.StartWrite(bytes.data(), bytes.size(), transfer, immediate), 0);
}

}  // namespace

TEST(SimDeviceOpen, PortIsHeldByOneOpenerAtATime) {
  VirtualBench bench;
  std::shared_ptr<Device> first;
  std::shared_ptr<Device> second;
  ASSERT_EQ(bench.simulation.Open("COM1", first), 0);
  EXPECT_EQ(bench.simulation.Open("COM1", second), BusyError());
  first->Close();
  std::uint32_t status = 0;
  EXPECT_EQ(first->ModemStatus(status), kClosed);
  ASSERT_EQ(bench.simulation.Open("COM1", second), 0);
  EXPECT_EQ(first->Escape(SETRTS), kClosed);  // an old handle cannot touch the new open
  EXPECT_EQ(second->ModemStatus(status), 0);
}

TEST(SimDeviceOpen, DroppingTheDeviceGivesThePortFree) {
  VirtualBench bench;
  std::shared_ptr<Device> device;
  ASSERT_EQ(bench.simulation.Open("COM1", device), 0);
  device.reset();
  EXPECT_EQ(bench.simulation.Open("COM1", device), 0);
}

TEST(SimDeviceTiming, EchoIsReadableWhenItsLastBitHasArrivedNotBefore) {
  VirtualBench bench(NoCard());
  SimLink link(bench.simulation);
  Send(link.Device(), "\x42\x43");
  bench.clock->Advance(1250us - 1ns);
  EXPECT_EQ(link.InputCount(), 0u);
  bench.clock->Advance(1ns);
  EXPECT_EQ(link.InputCount(), 1u);
  bench.clock->Advance(1250us);
  EXPECT_EQ(Hex(link.Read(5)), "42 43");
}

// The peer is the echo of what the host sends: a reader without a card sends nothing else.
TEST(SimDeviceTiming, ReadTimeoutsFollowTheWindowsRules) {
  const struct {
    const char* name;
    COMMTIMEOUTS timeouts;
    std::size_t sent;
    std::size_t asked;
    std::size_t got;
    double endsMs;  // from the start of the write
  } cases[] = {
      {"0/2/400, 3 of 11", ReadTimeouts(0, 2, 400), 3, 11, 3, 422},
      {"0/2/400, 15 for 11", ReadTimeouts(0, 2, 400), 15, 11, 11, 11 * 1.25},
      {"return at once", ReadTimeouts(MAXDWORD, 0, 0), 3, 11, 0, 0},
      {"no limit", ReadTimeouts(0, 0, 0), 8, 8, 8, 10},
      {"interval 5 ms", ReadTimeouts(5, 0, 0), 4, 11, 4, 5 + 5},
      {"first byte", ReadTimeouts(MAXDWORD, MAXDWORD, 50), 4, 11, 1, 1.25},
      {"first byte, none", ReadTimeouts(MAXDWORD, MAXDWORD, 50), 0, 11, 0, 50},
  };
  for (const auto& c : cases) {
    VirtualBench bench(NoCard());
    SimLink link(bench.simulation);
    ASSERT_EQ(link.Device().SetTimeouts(c.timeouts), 0);
    Send(link.Device(), std::string(c.sent, 'x'));
    EXPECT_EQ(link.Read(c.asked).size(), c.got) << c.name;
    EXPECT_DOUBLE_EQ(bench.Milliseconds(), c.endsMs) << c.name;
  }
}

TEST(SimDeviceTiming, BytesBeyondTheReadStayWaiting) {
  VirtualBench bench(NoCard());
  SimLink link(bench.simulation);
  link.Write(std::string(15, 'x'));
  EXPECT_EQ(link.Read(11).size(), 11u);
  EXPECT_EQ(link.InputCount(), 4u);
}

TEST(SimDeviceTiming, WriteTimeoutSendsOnlyWhatFitsInIt) {
  VirtualBench bench(NoCard());
  SimLink link(bench.simulation);
  ASSERT_EQ(link.Device().SetTimeouts(COMMTIMEOUTS{0, 0, 100, 0, 5}), 0);
  EXPECT_EQ(link.Write(std::string(10, 'x')), 4u);
  EXPECT_DOUBLE_EQ(bench.Milliseconds(), 5);
  EXPECT_EQ(link.Read(10).size(), 4u);
}

TEST(SimDeviceTiming, SpeedFactorScalesTheTimeoutsToo) {
  ReaderSetup setup = NoCard();
  setup.speedFactor = 100;
  Simulation simulation(setup);
  SimLink link(simulation);
  ASSERT_EQ(link.Device().SetTimeouts(ReadTimeouts(0, 0, 20000)), 0);
  const auto start = std::chrono::steady_clock::now();
  const auto cpuStart = test_support::ProcessCpuTime();
  EXPECT_EQ(link.Read(11), "");  // 20 s of line time
  const std::chrono::duration<double> real = std::chrono::steady_clock::now() - start;
  EXPECT_GE(real, 200ms);
  EXPECT_LT(real, 10s);  // unscaled it would be 20 s
  // Waiting sleeps: it does not spin.
  EXPECT_LT(test_support::ProcessCpuTime() - cpuStart, real / 2);
}

TEST(SimDeviceTiming, ReadCompletedAtOnceReportsItsCountImmediately) {
  VirtualBench bench(NoCard());
  SimLink link(bench.simulation);
  link.Write("abc");
  std::string buffer(3, '\0');
  std::unique_ptr<Transfer> transfer;
  std::size_t immediate = 99;
  ASSERT_EQ(link.Device().StartRead(buffer.data(), 3, transfer, immediate), 0);
  EXPECT_EQ(immediate, 3u);
  std::size_t moved = 0;
  EXPECT_EQ(transfer->Wait(moved), 0);
  EXPECT_EQ(transfer->Wait(moved), 0);  // waiting again gives the same
  EXPECT_EQ(moved, 3u);
  EXPECT_EQ(buffer, "abc");
}

class SimDeviceCancel : public ::testing::Test {
 protected:
  SimDeviceCancel() : simulation_(NoCard()), link_(simulation_) {
    EXPECT_EQ(link_.Device().SetTimeouts(COMMTIMEOUTS{}), 0);  // reads wait without limit
  }
  // Starts a read of 10 bytes after 2 have come, and ends it with `end` from another thread.
  int ReadEndedBy(const std::function<void()>& end, std::size_t& moved, std::string& buffer) {
    link_.Write("ab");
    buffer.assign(10, '\0');
    std::unique_ptr<Transfer> transfer;
    std::size_t immediate = 0;
    EXPECT_EQ(link_.Device().StartRead(buffer.data(), 10, transfer, immediate), 0);
    std::thread other([&] {
      std::this_thread::sleep_for(20ms);
      end();
    });
    const int result = transfer->Wait(moved);
    other.join();
    return result;
  }

  Simulation simulation_;
  SimLink link_;
};

TEST_F(SimDeviceCancel, PurgeWithAbortEndsAPendingReadWithWhatItHad) {
  std::size_t moved = 0;
  std::string buffer;
  EXPECT_EQ(ReadEndedBy([&] { EXPECT_EQ(link_.Device().Purge(PURGE_RXABORT), 0); }, moved, buffer),
            kCancelled);
  EXPECT_EQ(moved, 2u);
  EXPECT_EQ(buffer.substr(0, 2), "ab");
}

TEST_F(SimDeviceCancel, CloseEndsAPendingReadAndWaitEvent) {
  std::size_t moved = 0;
  std::string buffer;
  EXPECT_EQ(ReadEndedBy([&] { link_.Device().Close(); }, moved, buffer), kCancelled);

  std::shared_ptr<Device> device;
  ASSERT_EQ(simulation_.Open("COM1", device), 0);
  ASSERT_EQ(device->SetEventMask(EV_RXCHAR), 0);
  std::thread closer([&] {
    std::this_thread::sleep_for(20ms);
    device->Close();
  });
  std::uint32_t occurred = 0;
  WakeEvent stop;
  EXPECT_EQ(device->WaitEvent(occurred, stop), kCancelled);
  closer.join();
}

TEST_F(SimDeviceCancel, TransferOutlivesItsDevice) {
  std::string buffer(4, '\0');
  std::unique_ptr<Transfer> transfer;
  std::size_t immediate = 0;
  {
    std::shared_ptr<Device> device;
    link_.Device().Close();
    ASSERT_EQ(simulation_.Open("COM1", device), 0);
    ASSERT_EQ(device->StartRead(buffer.data(), 4, transfer, immediate), 0);
  }
  std::size_t moved = 0;
  EXPECT_EQ(transfer->Wait(moved), kCancelled);
}

// A read whose transfer is dropped unfinished must not write into memory freed since.
TEST_F(SimDeviceCancel, AbandonedReadLeavesItsMemoryAlone) {
  auto buffer = std::make_unique<char[]>(4);
  std::unique_ptr<Transfer> transfer;
  std::size_t immediate = 0;
  ASSERT_EQ(link_.Device().StartRead(buffer.get(), 4, transfer, immediate), 0);
  transfer.reset();
  buffer.reset();
  link_.Write("wxyz");
  EXPECT_EQ(link_.Read(4), "wxyz");
}

TEST_F(SimDeviceCancel, PurgeClearDiscardsWaitingInput) {
  link_.Write("abc");
  EXPECT_EQ(link_.Device().Purge(PURGE_RXCLEAR), 0);
  EXPECT_EQ(link_.InputCount(), 0u);
}

TEST(SimDeviceLines, ModemLinesFollowTheReaderAndTheCard) {
  VirtualBench bench;
  SimLink link(bench.simulation);
  std::uint32_t status = 0;
  ASSERT_EQ(link.Device().ModemStatus(status), 0);
  EXPECT_EQ(status, MS_CTS_ON | MS_RLSD_ON);
  ASSERT_EQ(link.Device().Escape(SETDTR), 0);
  ASSERT_EQ(link.Device().ModemStatus(status), 0);
  EXPECT_EQ(status, MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON);
  EXPECT_EQ(link.Device().Escape(SETXOFF), EINVAL);

  VirtualBench empty(NoCard());
  SimLink noCard(empty.simulation);
  ASSERT_EQ(noCard.Device().ModemStatus(status), 0);
  EXPECT_EQ(status, MS_CTS_ON);
}

TEST(SimDeviceLines, LineSettingsDriveRtsAndDtr) {
  VirtualBench bench;
  SimLink link(bench.simulation);
  DCB dcb = SimLink::CardLine();
  dcb.Flags |= 0x1000 | 0x10;  // RTS and DTR control enable
  link.SetLine(dcb);
  link.SetLine(SimLink::CardLine());
  std::uint32_t status = 0;
  ASSERT_EQ(link.Device().ModemStatus(status), 0);
  EXPECT_EQ(status & MS_DSR_ON, 0u);
  // RTS went up and down: the card was reset and answers.
  EXPECT_EQ(Hex(link.Read(11)), "03 19 0B FF 77 D7 FF 3F E9 F6 FF");
}

TEST(SimDeviceLines, ErrorsAreReportedOnceAndCleared) {
  VirtualBench bench;
  SimLink link(bench.simulation);
  DCB dcb = SimLink::CardLine();
  dcb.Parity = EVENPARITY;
  dcb.Flags |= FlagParity;
  link.SetLine(dcb);
  link.PulseRts();
  link.Read(11);
  std::uint32_t errors = 0;
  std::uint32_t waiting = 0;
  ASSERT_EQ(link.Device().ClearErrors(errors, waiting), 0);
  EXPECT_EQ(errors, CE_RXPARITY);
  ASSERT_EQ(link.Device().ClearErrors(errors, waiting), 0);
  EXPECT_EQ(errors, 0u);
}

TEST(SimDeviceLines, ReceiveQueueOverflowDropsAndFlags) {
  VirtualBench bench(NoCard());
  SimLink link(bench.simulation);
  ASSERT_EQ(link.Device().SetQueueSizes(16, 16), 0);
  link.Write(std::string(20, 'q'));
  EXPECT_EQ(link.InputCount(), 16u);
  EXPECT_EQ(link.TakeErrors(), 0u);  // InputCount took the flag
  link.Write(std::string(1, 'r'));
  EXPECT_EQ(link.TakeErrors(), CE_RXOVER);
}

class SimDeviceEvents : public ::testing::Test {
 protected:
  explicit SimDeviceEvents(ReaderSetup setup = {}) : bench_(setup), link_(bench_.simulation) {}

  // What is pending now: waits with the stop event already set.
  std::uint32_t Pending() {
    std::uint32_t occurred = 0;
    const int result = link_.Device().WaitEvent(occurred, stopped_);
    return result == kCancelled ? 0 : occurred;
  }
  void Select(std::uint32_t mask) { ASSERT_EQ(link_.Device().SetEventMask(mask), 0); }

  VirtualBench bench_;
  SimLink link_;
  WakeEvent stopped_{true};
};

TEST_F(SimDeviceEvents, EachEventComesFromItsOwnCause) {
  const std::uint32_t all = EV_RXCHAR | EV_RXFLAG | EV_TXEMPTY | EV_CTS | EV_DSR | EV_RLSD |
                            EV_BREAK | EV_ERR | EV_RING | EV_RX80FULL;
  Select(all);
  EXPECT_EQ(Pending(), 0u);
  link_.Write("\x01");
  EXPECT_EQ(Pending(), EV_RXCHAR | EV_TXEMPTY);
  EXPECT_EQ(Pending(), 0u);  // bytes left waiting are not news
  ASSERT_EQ(link_.Device().Escape(SETDTR), 0);
  EXPECT_EQ(Pending(), EV_DSR);
  DCB dcb = SimLink::CardLine();
  dcb.EvtChar = 0x7E;
  dcb.Parity = EVENPARITY;
  dcb.Flags |= FlagParity;
  link_.SetLine(dcb);
  EXPECT_EQ(Pending(), EV_DSR);  // the line settings disable DTR
  link_.Write("\x7E");
  // The card refuses the even parity, its error signal spoils the echo's stop bit.
  EXPECT_EQ(Pending(), EV_RXCHAR | EV_RXFLAG | EV_TXEMPTY | EV_ERR);
}

TEST_F(SimDeviceEvents, OnlySelectedEventsAreKept) {
  Select(EV_TXEMPTY);
  link_.Write("ab");
  Select(EV_TXEMPTY | EV_RXCHAR);
  EXPECT_EQ(Pending(), EV_TXEMPTY);  // the echo came while it was not selected
  EXPECT_EQ(link_.Device().SetEventMask(0), 0);
  std::uint32_t occurred = 0;
  EXPECT_EQ(link_.Device().WaitEvent(occurred, stopped_), EINVAL);
}

TEST_F(SimDeviceEvents, ChangingTheSelectionEndsAPendingWaitWithNothing) {
  Select(EV_RXCHAR);
  std::thread changer([&] {
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(link_.Device().SetEventMask(EV_RXCHAR), 0);
  });
  WakeEvent stop;
  std::uint32_t occurred = 99;
  EXPECT_EQ(link_.Device().WaitEvent(occurred, stop), 0);
  EXPECT_EQ(occurred, 0u);
  changer.join();
}

TEST_F(SimDeviceEvents, WaitWakesForTheCardsAnswer) {
  Select(EV_RXCHAR);
  link_.PulseRts();
  WakeEvent stop;
  std::uint32_t occurred = 0;
  EXPECT_EQ(link_.Device().WaitEvent(occurred, stop), 0);
  EXPECT_EQ(occurred, EV_RXCHAR);
  EXPECT_DOUBLE_EQ(bench_.Milliseconds(), 2 + 1.25);  // reset delay, first ATR character
}

TEST(SimDeviceEventThread, WaitOnOneThreadTransfersOnAnother) {
  ReaderSetup setup;
  setup.speedFactor = 50;
  Simulation simulation(setup);
  SimLink link(simulation);
  ASSERT_EQ(link.Device().SetEventMask(EV_RXCHAR | EV_TXEMPTY), 0);
  WakeEvent stop;
  std::uint32_t seen = 0;
  std::thread watcher([&] {
    std::uint32_t occurred = 0;
    while (link.Device().WaitEvent(occurred, stop) == 0) seen |= occurred;
  });
  EXPECT_EQ(ReadCardRaw(link, 2048).size(), 2048u);
  stop.Set();
  watcher.join();
  EXPECT_EQ(seen, EV_RXCHAR | EV_TXEMPTY);
}

// The watcher wakes for every character of the reply; the reader of the reply need not:
// it sleeps until its last byte can have come, whoever takes the characters in meanwhile.
TEST(SimDeviceEventThread, TransferSleepsThroughTheCharactersAnotherThreadWakesFor) {
  constexpr int kReply = 5 + 1 + 256 + 2;
  const auto clock = std::make_shared<SleepCountingClock>(10);
  Simulation simulation({}, clock);
  SimLink link(simulation);
  ASSERT_EQ(link.Device().SetEventMask(EV_RXCHAR), 0);
  WakeEvent stop;
  int wakes = 0;
  std::thread watcher([&] {
    std::uint32_t occurred = 0;
    while (link.Device().WaitEvent(occurred, stop) == 0) ++wakes;
  });
  EXPECT_EQ(ReadCardRaw(link, 256).size(), 256u);
  const int sleeps = clock->Sleeps();
  stop.Set();
  watcher.join();
  EXPECT_GT(wakes, 0);
  EXPECT_LT(sleeps, kReply / 4);
}
