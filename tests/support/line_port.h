#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "serial/driver/device.h"
#include "serial/driver/records.h"
#include "support/card_line.h"
#include "support/cpu_time.h"
#include "support/line_peer.h"

namespace test_support {

// The card programmer's line group (CardProgrammerDcb) without parity. Wine cannot set
// the same parity twice on a pseudo-terminal, whose kernel drops it, so the backend
// suite's lines use this group.
driver::DCB PtyLineDcb();

driver::COMMTIMEOUTS Timeouts(std::uint32_t interval, std::uint32_t multiplier,
                              std::uint32_t constant, std::uint32_t writeMultiplier = 0,
                              std::uint32_t writeConstant = 0);

// Opens a device path through this platform's backend with the card programmer's queue
// sizes, the line group and the given time-outs; fails the test when any step is refused.
std::shared_ptr<driver::Device> OpenConfigured(const std::string& path,
                                               const driver::COMMTIMEOUTS& timeouts,
                                               const driver::DCB& dcb = CardProgrammerDcb());

// One transfer started and waited for, as the component's blocking calls do.
struct TransferOutcome {
  int error = -1;
  std::string bytes;          // what moved
  std::size_t immediate = 0;  // moved before the start returned
  std::chrono::steady_clock::duration took{};
  std::chrono::microseconds cpu{};  // of the calling thread
};
TransferOutcome Read(driver::Device& device, std::size_t count);
TransferOutcome Write(driver::Device& device, const std::string& bytes);

// The device's input count once it has reached `expected` (the peer's bytes travel
// through the kernel asynchronously), or what it is after a second of waiting.
std::uint32_t InputCountOnceSettled(driver::Device& device, std::uint32_t expected);

// Runs `action` on another thread after `delay`, joined when the scope ends.
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

// A test on a fresh line with this platform's backend, whose far end the test plays.
class LinePortTest : public ::testing::Test {
 protected:
  // OpenConfigured on the line; throws (failing the test) when the device did not open.
  void Open(const driver::COMMTIMEOUTS& timeouts);

  std::unique_ptr<LinePeer> peer_ = MakeLinePeer();
  std::shared_ptr<driver::Device> device_;
};

}  // namespace test_support
