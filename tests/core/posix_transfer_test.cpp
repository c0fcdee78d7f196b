#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "support/posix_port.h"

using namespace driver;
using namespace std::chrono_literals;
using namespace test_support;

namespace {

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

class PosixTransfer : public test_support::PtyPortTest {};

}  // namespace

TEST_F(PosixTransfer, ElevenAskedThreeSentEndsAtTheTotalTimeout) {
  Open(Timeouts(0, 2, 400, 2, 400));
  pty_.Send("\x3f\x67\x2f");
  const TransferOutcome read = Read(*device_, 11);
  EXPECT_EQ(read.error, 0);
  EXPECT_EQ(read.bytes, "\x3f\x67\x2f");
  EXPECT_GE(read.took, 410ms);  // 2 x 11 + 400 ms from the start
  EXPECT_LT(read.took, 5000ms);  // loose: the machine may be busy
  EXPECT_LT(read.cpu, 100ms) << "the wait must sleep, not spin";
}

TEST_F(PosixTransfer, FifteenSentElevenReadFourLeft) {
  Open(Timeouts(0, 2, 20000, 2, 400));
  pty_.Send("0123456789ABCDE");
  const TransferOutcome read = Read(*device_, 11);
  EXPECT_EQ(read.error, 0);
  EXPECT_EQ(read.bytes, "0123456789A");
  EXPECT_LT(read.took, 10s);  // not the 20 s deadline, even on a busy machine
  EXPECT_EQ(InputCountOnceSettled(*device_, 4), 4u);
  EXPECT_EQ(Read(*device_, 4).bytes, "BCDE");
}

TEST_F(PosixTransfer, CreationTimeoutsReturnAtOnceWithWhatWaits) {
  Open(Timeouts(MAXDWORD, 0, 0, 100, 1000));
  const TransferOutcome empty = Read(*device_, 11);
  EXPECT_EQ(empty.error, 0);
  EXPECT_EQ(empty.bytes, "");
  EXPECT_LT(empty.took, 2s);

  pty_.Send("ab");
  ASSERT_EQ(InputCountOnceSettled(*device_, 2), 2u);
  const TransferOutcome some = Read(*device_, 11);
  EXPECT_EQ(some.bytes, "ab");
  EXPECT_EQ(some.immediate, 2u);  // complete before StartRead returned
  EXPECT_LT(some.took, 2s);
}

TEST_F(PosixTransfer, AllZeroWaitsUntilEveryByteHasCome) {
  Open(kNoLimit);
  pty_.Send("abc");
  Later rest(300ms, [&] { pty_.Send("def"); });
  const TransferOutcome read = Read(*device_, 6);
  EXPECT_EQ(read.error, 0);
  EXPECT_EQ(read.bytes, "abcdef");
  EXPECT_GE(read.took, 250ms);
}

TEST_F(PosixTransfer, IntervalTimerStartsWithTheFirstByte) {
  Open(Timeouts(100, 0, 0));
  Later first(300ms, [&] { pty_.Send("xy"); });
  const TransferOutcome read = Read(*device_, 10);
  EXPECT_EQ(read.error, 0);
  EXPECT_EQ(read.bytes, "xy");
  EXPECT_GE(read.took, 380ms);  // 300 ms of silence do not count, then 100 ms after the bytes
  EXPECT_LT(read.took, 1500ms);
}

TEST_F(PosixTransfer, CountZeroIsCompleteAtOnce) {
  Open(kNoLimit);
  const TransferOutcome read = Read(*device_, 0);
  EXPECT_EQ(read.error, 0);
  EXPECT_EQ(read.bytes, "");
  EXPECT_LT(read.took, 2s);
}

TEST_F(PosixTransfer, WriteDeliversExactBytesAndTimesOutWhenTheLineIsStuck) {
  Open(Timeouts(0, 0, 0, 0, 200));
  const std::string command("\xa0\xb0\x00\x00\x10\xff", 6);
  const TransferOutcome written = Write(*device_, command);
  EXPECT_EQ(written.error, 0);
  EXPECT_EQ(written.bytes, command);
  EXPECT_EQ(pty_.Receive(6, 1s), command);

  // Nobody reads the peer: the pty fills up and the write ends at its time-out, short.
  const std::string flood(1 << 20, 'z');
  const TransferOutcome stuck = Write(*device_, flood);
  EXPECT_EQ(stuck.error, 0);
  EXPECT_LT(stuck.bytes.size(), flood.size());
  EXPECT_GT(stuck.bytes.size(), 0u);
  EXPECT_GE(stuck.took, 190ms);
  device_->Purge(PURGE_TXCLEAR | PURGE_RXCLEAR);  // as the event thread does at a close
  device_->Close();
  EXPECT_EQ(pty_.Receive(flood.size(), 2s).size(), stuck.bytes.size());
}

TEST_F(PosixTransfer, WaitingLateOrTwiceGivesTheBytesThatCameInTime) {
  Open(Timeouts(0, 0, 50));
  char buffer[4];
  std::unique_ptr<Transfer> transfer;
  std::size_t immediate = 0, first = 0, second = 0;
  ASSERT_EQ(device_->StartRead(buffer, 4, transfer, immediate), 0);
  pty_.Send("q");
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(transfer->Wait(first), 0);
  EXPECT_EQ(transfer->Wait(second), 0);
  EXPECT_EQ(first, 1u);
  EXPECT_EQ(second, 1u);
}

TEST_F(PosixTransfer, CloseOnAnotherThreadEndsAPendingRead) {
  Open(kNoLimit);
  Later close(200ms, [&] { device_->Close(); });
  const TransferOutcome read = Read(*device_, 11);
  EXPECT_EQ(read.error, ECANCELED);
  EXPECT_LT(read.took, 2s);
  EXPECT_LT(read.cpu, 100ms);
}

TEST_F(PosixTransfer, PendingReadEndsWhenTheDeviceGoesAwayOnAnotherThread) {
  Open(kNoLimit);
  char buffer[8];
  std::unique_ptr<Transfer> transfer;
  std::size_t immediate = 0;
  ASSERT_EQ(device_->StartRead(buffer, sizeof buffer, transfer, immediate), 0);
  int error = -1;
  std::thread waiter([&] {
    std::size_t moved = 0;
    error = transfer->Wait(moved);
  });
  std::this_thread::sleep_for(100ms);
  device_.reset();  // closes: the transfer keeps what it needs
  waiter.join();
  EXPECT_EQ(error, ECANCELED);
}

TEST_F(PosixTransfer, AbortEndsOnlyTheTransfersOfItsDirection) {
  Open(kNoLimit);
  char buffer[8];
  std::unique_ptr<Transfer> read;
  std::size_t immediate = 0, moved = 0;
  ASSERT_EQ(device_->StartRead(buffer, sizeof buffer, read, immediate), 0);
  EXPECT_EQ(device_->Purge(PURGE_TXABORT), 0);
  pty_.Send("12345678");
  EXPECT_EQ(read->Wait(moved), 0);
  EXPECT_EQ(std::string(buffer, moved), "12345678");

  ASSERT_EQ(device_->StartRead(buffer, sizeof buffer, read, immediate), 0);
  Later abort(100ms, [&] { device_->Purge(PURGE_RXABORT); });
  EXPECT_EQ(read->Wait(moved), ECANCELED);
  // The device goes on working after an abort.
  pty_.Send("next");
  ASSERT_EQ(device_->SetTimeouts(Timeouts(0, 0, 300)), 0);
  EXPECT_EQ(Read(*device_, 4).bytes, "next");
}

TEST_F(PosixTransfer, PeerHangingUpEndsTheReadWithAnErrorNotASpin) {
  Open(kNoLimit);
  pty_.Send("ab");
  Later hangUp(200ms, [&] { pty_.HangUp(); });
  const TransferOutcome read = Read(*device_, 11);
  EXPECT_EQ(read.error, EIO);
  EXPECT_LT(read.took, 2s);
  EXPECT_LT(read.cpu, 100ms);
  // Later transfers fail at once as well.
  EXPECT_NE(Read(*device_, 1).error, 0);
  EXPECT_NE(Write(*device_, "x").error, 0);
}
