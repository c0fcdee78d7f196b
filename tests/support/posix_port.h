#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "serial/driver/device.h"
#include "serial/driver/records.h"
#include "support/card_line.h"
#include "support/cpu_time.h"
#include "support/pseudo_terminal.h"

namespace test_support {


driver::COMMTIMEOUTS Timeouts(std::uint32_t interval, std::uint32_t multiplier,
                              std::uint32_t constant, std::uint32_t writeMultiplier = 0,
                              std::uint32_t writeConstant = 0);

// Opens a tty through the Linux backend with the card programmer's queue sizes and line
// group and the given time-outs; fails the test when any step is refused.
std::shared_ptr<driver::Device> OpenConfigured(const std::string& path,
                                               const driver::COMMTIMEOUTS& timeouts);

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

// A test on a pseudo-terminal with the Linux backend's device opened on it.
class PtyPortTest : public ::testing::Test {
 protected:
  // OpenConfigured on the pty; throws (failing the test) when the device did not open.
  void Open(const driver::COMMTIMEOUTS& timeouts);

  PseudoTerminal pty_;
  std::shared_ptr<driver::Device> device_;
};

}  // namespace test_support
