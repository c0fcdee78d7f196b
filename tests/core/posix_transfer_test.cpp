#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "support/posix_port.h"
#include "support/pseudo_terminal.h"

using namespace driver;
using namespace std::chrono_literals;
using test_support::InputCountOnceSettled;
using test_support::OpenConfigured;
using test_support::PseudoTerminal;
using test_support::ThreadCpuTime;
using test_support::Timeouts;
using Clock = std::chrono::steady_clock;

namespace {

struct Outcome {
  int error = -1;
  std::string bytes;
  std::size_t immediate = 0;
  Clock::duration took{};
  std::chrono::microseconds cpu{};
};

Outcome Read(Device& device, std::size_t count) {
  Outcome outcome;
  const auto start = Clock::now();
  const auto cpu = ThreadCpuTime();
  std::string buffer(count, '\0');
  std::unique_ptr<Transfer> transfer;
  outcome.error = device.StartRead(buffer.data(), count, transfer, outcome.immediate);
  std::size_t moved = 0;
  if (outcome.error == 0) outcome.error = transfer->Wait(moved);
  outcome.bytes = buffer.substr(0, moved);
  outcome.took = Clock::now() - start;
  outcome.cpu = ThreadCpuTime() - cpu;
  return outcome;
}

Outcome Write(Device& device, const std::string& bytes) {
  Outcome outcome;
  const auto start = Clock::now();
  std::unique_ptr<Transfer> transfer;
  outcome.error = device.StartWrite(bytes.data(), bytes.size(), transfer, outcome.immediate);
  std::size_t moved = 0;
  if (outcome.error == 0) outcome.error = transfer->Wait(moved);
  outcome.bytes = bytes.substr(0, moved);
  outcome.took = Clock::now() - start;
  return outcome;
}

// Runs `action` on another thread after `delay`, joined when the test's scope ends.
class Later {
 public:
  template <typename Action>
  Later(std::chrono::milliseconds delay, Action action)
      : thread_([delay, action] {
          std::this_thread::sleep_for(delay);
          action();
        }) {}
  ~Later() { thread_.join(); }

 private:
  std::thread thread_;
};

// A read pending without limit (all read time-outs 0).
constexpr COMMTIMEOUTS kNoLimit{0, 0, 0, 0, 0};

}  // namespace

TEST(PosixTransfer, ElevenAskedThreeSentEndsAtTheTotalTimeout) {
  PseudoTerminal pty;
  const auto device = OpenConfigured(pty.Path(), Timeouts(0, 2, 400, 2, 400));
  ASSERT_TRUE(device);
  pty.Send("\x3f\x67\x2f");
  const Outcome read = Read(*device, 11);
  EXPECT_EQ(read.error, 0);
  EXPECT_EQ(read.bytes, "\x3f\x67\x2f");
  EXPECT_GE(read.took, 410ms);  // 2 x 11 + 400 ms from the start
  EXPECT_LT(read.took, 1500ms);
  EXPECT_LT(read.cpu, 100ms) << "the wait must sleep, not spin";
}

TEST(PosixTransfer, FifteenSentElevenReadFourLeft) {
  PseudoTerminal pty;
  const auto device = OpenConfigured(pty.Path(), Timeouts(0, 2, 400, 2, 400));
  ASSERT_TRUE(device);
  pty.Send("0123456789ABCDE");
  const Outcome read = Read(*device, 11);
  EXPECT_EQ(read.error, 0);
  EXPECT_EQ(read.bytes, "0123456789A");
  EXPECT_LT(read.took, 350ms);
  EXPECT_EQ(InputCountOnceSettled(*device, 4), 4u);
  EXPECT_EQ(Read(*device, 4).bytes, "BCDE");
}

TEST(PosixTransfer, CreationTimeoutsReturnAtOnceWithWhatWaits) {
  PseudoTerminal pty;
  const auto device = OpenConfigured(pty.Path(), Timeouts(MAXDWORD, 0, 0, 100, 1000));
  ASSERT_TRUE(device);
  const Outcome empty = Read(*device, 11);
  EXPECT_EQ(empty.error, 0);
  EXPECT_EQ(empty.bytes, "");
  EXPECT_LT(empty.took, 100ms);

  pty.Send("ab");
  ASSERT_EQ(InputCountOnceSettled(*device, 2), 2u);
  const Outcome some = Read(*device, 11);
  EXPECT_EQ(some.bytes, "ab");
  EXPECT_EQ(some.immediate, 2u);  // complete before StartRead returned
  EXPECT_LT(some.took, 100ms);
}

TEST(PosixTransfer, AllZeroWaitsUntilEveryByteHasCome) {
  PseudoTerminal pty;
  const auto device = OpenConfigured(pty.Path(), kNoLimit);
  ASSERT_TRUE(device);
  pty.Send("abc");
  Later rest(300ms, [&] { pty.Send("def"); });
  const Outcome read = Read(*device, 6);
  EXPECT_EQ(read.error, 0);
  EXPECT_EQ(read.bytes, "abcdef");
  EXPECT_GE(read.took, 250ms);
}

TEST(PosixTransfer, IntervalTimerStartsWithTheFirstByte) {
  PseudoTerminal pty;
  const auto device = OpenConfigured(pty.Path(), Timeouts(100, 0, 0));
  ASSERT_TRUE(device);
  Later first(300ms, [&] { pty.Send("xy"); });
  const Outcome read = Read(*device, 10);
  EXPECT_EQ(read.error, 0);
  EXPECT_EQ(read.bytes, "xy");
  EXPECT_GE(read.took, 380ms);  // 300 ms of silence do not count, then 100 ms after the bytes
  EXPECT_LT(read.took, 1500ms);
}

TEST(PosixTransfer, CountZeroIsCompleteAtOnce) {
  PseudoTerminal pty;
  const auto device = OpenConfigured(pty.Path(), kNoLimit);
  ASSERT_TRUE(device);
  const Outcome read = Read(*device, 0);
  EXPECT_EQ(read.error, 0);
  EXPECT_EQ(read.bytes, "");
  EXPECT_LT(read.took, 100ms);
}

TEST(PosixTransfer, WriteDeliversExactBytesAndTimesOutWhenTheLineIsStuck) {
  PseudoTerminal pty;
  const auto device = OpenConfigured(pty.Path(), Timeouts(0, 0, 0, 0, 200));
  ASSERT_TRUE(device);
  const std::string command("\xa0\xb0\x00\x00\x10\xff", 6);
  const Outcome written = Write(*device, command);
  EXPECT_EQ(written.error, 0);
  EXPECT_EQ(written.bytes, command);
  EXPECT_EQ(pty.Receive(6, 1s), command);

  // Nobody reads the peer: the pty fills up and the write ends at its time-out, short.
  const std::string flood(1 << 20, 'z');
  const Outcome stuck = Write(*device, flood);
  EXPECT_EQ(stuck.error, 0);
  EXPECT_LT(stuck.bytes.size(), flood.size());
  EXPECT_GT(stuck.bytes.size(), 0u);
  EXPECT_GE(stuck.took, 190ms);
}

TEST(PosixTransfer, WaitingTwiceGivesTheSameResult) {
  PseudoTerminal pty;
  const auto device = OpenConfigured(pty.Path(), Timeouts(0, 0, 50));
  ASSERT_TRUE(device);
  pty.Send("q");
  char buffer[4];
  std::unique_ptr<Transfer> transfer;
  std::size_t immediate = 0, first = 0, second = 0;
  ASSERT_EQ(device->StartRead(buffer, 4, transfer, immediate), 0);
  EXPECT_EQ(transfer->Wait(first), 0);
  EXPECT_EQ(transfer->Wait(second), 0);
  EXPECT_EQ(first, 1u);
  EXPECT_EQ(second, 1u);
}

TEST(PosixTransfer, CloseOnAnotherThreadEndsAPendingRead) {
  PseudoTerminal pty;
  const auto device = OpenConfigured(pty.Path(), kNoLimit);
  ASSERT_TRUE(device);
  Later close(200ms, [&] { device->Close(); });
  const Outcome read = Read(*device, 11);
  EXPECT_EQ(read.error, ECANCELED);
  EXPECT_LT(read.took, 2s);
  EXPECT_LT(read.cpu, 100ms);
}

TEST(PosixTransfer, PendingReadEndsWhenTheDeviceGoesAwayOnAnotherThread) {
  PseudoTerminal pty;
  auto device = OpenConfigured(pty.Path(), kNoLimit);
  ASSERT_TRUE(device);
  char buffer[8];
  std::unique_ptr<Transfer> transfer;
  std::size_t immediate = 0;
  ASSERT_EQ(device->StartRead(buffer, sizeof buffer, transfer, immediate), 0);
  int error = -1;
  std::thread waiter([&] {
    std::size_t moved = 0;
    error = transfer->Wait(moved);
  });
  std::this_thread::sleep_for(100ms);
  device.reset();  // closes: the transfer keeps what it needs
  waiter.join();
  EXPECT_EQ(error, ECANCELED);
}

TEST(PosixTransfer, AbortEndsOnlyTheTransfersOfItsDirection) {
  PseudoTerminal pty;
  const auto device = OpenConfigured(pty.Path(), kNoLimit);
  ASSERT_TRUE(device);
  char buffer[8];
  std::unique_ptr<Transfer> read;
  std::size_t immediate = 0, moved = 0;
  ASSERT_EQ(device->StartRead(buffer, sizeof buffer, read, immediate), 0);
  EXPECT_EQ(device->Purge(PURGE_TXABORT), 0);
  pty.Send("12345678");
  EXPECT_EQ(read->Wait(moved), 0);
  EXPECT_EQ(std::string(buffer, moved), "12345678");

  ASSERT_EQ(device->StartRead(buffer, sizeof buffer, read, immediate), 0);
  Later abort(100ms, [&] { device->Purge(PURGE_RXABORT); });
  EXPECT_EQ(read->Wait(moved), ECANCELED);
  // The device goes on working after an abort.
  pty.Send("next");
  ASSERT_EQ(device->SetTimeouts(Timeouts(0, 0, 300)), 0);
  EXPECT_EQ(Read(*device, 4).bytes, "next");
}

TEST(PosixTransfer, PeerHangingUpEndsTheReadWithAnErrorNotASpin) {
  PseudoTerminal pty;
  const auto device = OpenConfigured(pty.Path(), kNoLimit);
  ASSERT_TRUE(device);
  pty.Send("ab");
  Later hangUp(200ms, [&] { pty.HangUp(); });
  const Outcome read = Read(*device, 11);
  EXPECT_EQ(read.error, EIO);
  EXPECT_LT(read.took, 2s);
  EXPECT_LT(read.cpu, 100ms);
  // Later transfers fail at once as well.
  EXPECT_NE(Read(*device, 1).error, 0);
  EXPECT_NE(Write(*device, "x").error, 0);
}
