#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/posix_port.h"

using namespace driver;
using namespace std::chrono_literals;
using namespace test_support;

namespace {

class PosixTransfer : public test_support::PtyPortTest {};

}  // namespace

// A write ends when its bytes have left the kernel's queue, so a purge after it loses
// none of them.
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
