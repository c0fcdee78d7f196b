#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/line_port.h"

using namespace driver;
using namespace std::chrono_literals;
using namespace test_support;

namespace {

// A read pending without limit (all read time-outs 0).
constexpr COMMTIMEOUTS kNoLimit{0, 0, 0, 0, 0};

class LineTransfer : public test_support::LinePortTest {};

}  // namespace

TEST_F(LineTransfer, ElevenAskedThreeSentEndsAtTheTotalTimeout) {
  Open(Timeouts(0, 2, 400, 2, 400));
  peer_->Send("\x3f\x67\x2f");
  const TransferOutcome read = Read(*device_, 11);
  EXPECT_EQ(read.error, 0);
  EXPECT_EQ(read.bytes, "\x3f\x67\x2f");
  EXPECT_GE(read.took, 410ms);  // 2 x 11 + 400 ms from the start
  EXPECT_LT(read.took, 5000ms);  // loose: the machine may be busy
  EXPECT_LT(read.cpu, 100ms) << "the wait must sleep, not spin";
}

TEST_F(LineTransfer, FifteenSentElevenReadFourLeft) {
  Open(Timeouts(0, 2, 20000, 2, 400));
  peer_->Send("0123456789ABCDE");
  const TransferOutcome read = Read(*device_, 11);
  EXPECT_EQ(read.error, 0);
  EXPECT_EQ(read.bytes, "0123456789A");
  EXPECT_LT(read.took, 10s);  // not the 20 s deadline, even on a busy machine
  EXPECT_EQ(InputCountOnceSettled(*device_, 4), 4u);
  EXPECT_EQ(Read(*device_, 4).bytes, "BCDE");
}

TEST_F(LineTransfer, CreationTimeoutsReturnAtOnceWithWhatWaits) {
  Open(Timeouts(MAXDWORD, 0, 0, 100, 1000));
  if (PtyAnswersOfThisPlatform().readsAtOnce) {
    const TransferOutcome empty = Read(*device_, 11);
    EXPECT_EQ(empty.error, 0);
    EXPECT_EQ(empty.bytes, "");
    EXPECT_LT(empty.took, 2s);
  } else {  // the read waits for a first byte
    Later first(300ms, [&] { peer_->Send("z"); });
    const TransferOutcome waited = Read(*device_, 11);
    EXPECT_EQ(waited.bytes, "z");
    EXPECT_GE(waited.took, 250ms);
  }

  peer_->Send("ab");
  ASSERT_EQ(InputCountOnceSettled(*device_, 2), 2u);
  const TransferOutcome some = Read(*device_, 11);
  EXPECT_EQ(some.bytes, "ab");
  EXPECT_EQ(some.immediate, 2u);  // complete before StartRead returned
  EXPECT_LT(some.took, 2s);
}

TEST_F(LineTransfer, AllZeroWaitsUntilEveryByteHasCome) {
  Open(kNoLimit);
  peer_->Send("abc");
  Later rest(300ms, [&] { peer_->Send("def"); });
  const TransferOutcome read = Read(*device_, 6);
  EXPECT_EQ(read.error, 0);
  EXPECT_EQ(read.bytes, "abcdef");
  EXPECT_GE(read.took, 250ms);
}

TEST_F(LineTransfer, IntervalTimerStartsWithTheFirstByte) {
  Open(Timeouts(100, 0, 0));
  Later first(300ms, [&] { peer_->Send("xy"); });
  const TransferOutcome read = Read(*device_, 10);
  EXPECT_EQ(read.error, 0);
  EXPECT_EQ(read.bytes, "xy");
  EXPECT_GE(read.took, 380ms);  // 300 ms of silence do not count, then 100 ms after the bytes
  EXPECT_LT(read.took, 1500ms);
}

TEST_F(LineTransfer, CountZeroIsCompleteAtOnce) {
  Open(kNoLimit);
  const TransferOutcome read = Read(*device_, 0);
  EXPECT_EQ(read.error, 0);
  EXPECT_EQ(read.bytes, "");
  EXPECT_LT(read.took, 2s);
}

TEST_F(LineTransfer, WaitingLateOrTwiceGivesTheBytesThatCameInTimeAndSilenceIsNoError) {
  Open(Timeouts(0, 0, 500));  // room for the Windows suite's peer to send in time
  char buffer[4];
  std::unique_ptr<Transfer> transfer;
  std::size_t immediate = 0, first = 0, second = 0;
  ASSERT_EQ(device_->StartRead(buffer, 4, transfer, immediate), 0);
  peer_->Send("q");
  std::this_thread::sleep_for(800ms);
  EXPECT_EQ(transfer->Wait(first), 0);
  EXPECT_EQ(transfer->Wait(second), 0);
  EXPECT_EQ(first, 1u);
  EXPECT_EQ(second, 1u);
  // Nothing more comes: the next read ends at its time-out, with nothing and no error.
  const TransferOutcome silent = Read(*device_, 4);
  EXPECT_EQ(silent.error, 0);
  EXPECT_EQ(silent.bytes, "");
}

TEST_F(LineTransfer, CloseOnAnotherThreadEndsAPendingRead) {
  Open(kNoLimit);
  Later close(200ms, [&] { device_->Close(); });
  const TransferOutcome read = Read(*device_, 11);
  EXPECT_EQ(read.error, kCancelled);
  EXPECT_LT(read.took, 2s);
  EXPECT_LT(read.cpu, 100ms);
}

TEST_F(LineTransfer, PendingReadEndsWhenTheDeviceGoesAwayOnAnotherThread) {
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
  EXPECT_EQ(error, kCancelled);
}

TEST_F(LineTransfer, AbortEndsOnlyTheTransfersOfItsDirection) {
  Open(kNoLimit);
  char buffer[8];
  std::unique_ptr<Transfer> read;
  std::size_t immediate = 0, moved = 0;
  ASSERT_EQ(device_->StartRead(buffer, sizeof buffer, read, immediate), 0);
  EXPECT_EQ(device_->Purge(PURGE_TXABORT), 0);
  peer_->Send("12345678");
  EXPECT_EQ(read->Wait(moved), 0);
  EXPECT_EQ(std::string(buffer, moved), "12345678");

  ASSERT_EQ(device_->StartRead(buffer, sizeof buffer, read, immediate), 0);
  Later abort(100ms, [&] { device_->Purge(PURGE_RXABORT); });
  EXPECT_EQ(read->Wait(moved), kCancelled);
  // The device goes on working after an abort.
  peer_->Send("next");
  ASSERT_EQ(device_->SetTimeouts(Timeouts(0, 0, 300)), 0);
  EXPECT_EQ(Read(*device_, 4).bytes, "next");
}

TEST_F(LineTransfer, PeerHangingUpEndsTheReadWithAnErrorNotASpin) {
  Open(kNoLimit);
  peer_->Send("ab");
  Later hangUp(200ms, [&] { peer_->HangUp(); });
  const TransferOutcome read = Read(*device_, 11);
  EXPECT_EQ(read.error, PtyAnswersOfThisPlatform().readHungUp);
  EXPECT_EQ(read.bytes, "ab");
  EXPECT_LT(read.took, 2s);
  EXPECT_LT(read.cpu, 100ms);
  // Later transfers fail at once as well.
  EXPECT_NE(Read(*device_, 1).error, 0);
  EXPECT_NE(Write(*device_, "x").error, 0);
}
