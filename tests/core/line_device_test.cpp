#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "serial/driver/directory.h"
#include "support/line_port.h"

using namespace driver;
using namespace std::chrono_literals;
using namespace test_support;

namespace {

class LineDevice : public test_support::LinePortTest {};

}  // namespace

// A pty keeps speed, odd parity, two stop bits and raw mode; it forces 8 data bits and
// drops parity enable, so those two are not looked at.
TEST_F(LineDevice, CardProgrammerLineReachesTheFarEnd) {
  ASSERT_EQ(OpenSystemDevice(peer_->DevicePath(), device_), 0);
  EXPECT_EQ(device_->SetState(CardProgrammerDcb()), 0);
  EXPECT_EQ(peer_->Seen(), (LineSeen{9600, true, true, true, false}));
  EXPECT_EQ(device_->SetState(CardProgrammerDcb()), PtyAnswersOfThisPlatform().sameParityAgain);
}

TEST_F(LineDevice, SecondOpenIsBusyUntilTheFirstCloses) {
  std::shared_ptr<Device> first, second;
  ASSERT_EQ(OpenSystemDevice(peer_->DevicePath(), first), 0);
  const int error = OpenSystemDevice(peer_->DevicePath(), second);
  EXPECT_EQ(error, PtyAnswersOfThisPlatform().secondOpen);
  EXPECT_EQ(IsBusyError(error), error != 0) << error;
  EXPECT_EQ(second != nullptr, error == 0);
  if (second) second->Close();

  first->Close();
  EXPECT_EQ(OpenSystemDevice(peer_->DevicePath(), second), 0);
}

TEST_F(LineDevice, ModemLinesOfAPseudoTerminalCannotBeDriven) {
  Open(Timeouts(0, 0, 0));
  for (const std::uint32_t function : {SETRTS, CLRRTS, SETDTR, CLRDTR}) {
    EXPECT_EQ(device_->Escape(function), PtyAnswersOfThisPlatform().modemLine) << function;
  }
}

// An arrival, the stop event, a new mask and the close each end a pending wait.
TEST_F(LineDevice, EventWaitEndsOnArrivalStopNewMaskAndClose) {
  Open(Timeouts(MAXDWORD, 0, 0));
  ASSERT_EQ(device_->SetEventMask(EV_RXCHAR), 0);
  WakeEvent stop;
  const auto waitWith = [&](auto interrupt, std::uint32_t& occurred) {
    Later later(100ms, interrupt);
    return device_->WaitEvent(occurred, stop);
  };
  std::uint32_t occurred = 0;
  if (const int error = PtyAnswersOfThisPlatform().eventWait) {
    // The backend cannot wait on a pty: the wait ends at once; what came is still told.
    EXPECT_EQ(device_->WaitEvent(occurred, stop), error);
    peer_->Send("a");
    ASSERT_EQ(InputCountOnceSettled(*device_, 1), 1u);
    EXPECT_EQ(device_->WaitEvent(occurred, stop), 0);
    EXPECT_EQ(occurred, EV_RXCHAR);
    return;
  }
  EXPECT_EQ(waitWith([&] { peer_->Send("a"); }, occurred), 0);
  EXPECT_EQ(occurred, EV_RXCHAR);
  EXPECT_EQ(waitWith([&] { stop.Set(); }, occurred), kCancelled);
  stop.Reset();
  EXPECT_EQ(waitWith([&] { device_->SetEventMask(EV_RXCHAR | EV_ERR); }, occurred), 0);
  EXPECT_EQ(occurred, 0u);
  EXPECT_EQ(waitWith([&] { device_->Close(); }, occurred), kCancelled);
}
