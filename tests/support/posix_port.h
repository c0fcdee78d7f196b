#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "serial/driver/device.h"
#include "serial/driver/records.h"

namespace test_support {

// The line group as the card programmer sends it: 9600 baud, 8O2, no flow control.
driver::DCB CardProgrammerDcb();

driver::COMMTIMEOUTS Timeouts(std::uint32_t interval, std::uint32_t multiplier,
                              std::uint32_t constant, std::uint32_t writeMultiplier = 0,
                              std::uint32_t writeConstant = 0);

// Opens a tty through the Linux backend with the card programmer's queue sizes and line
// group and the given time-outs; fails the test when any step is refused.
std::shared_ptr<driver::Device> OpenConfigured(const std::string& path,
                                               const driver::COMMTIMEOUTS& timeouts);

// The device's input count once it has reached `expected` (the peer's bytes travel
// through the kernel asynchronously), or what it is after a second of waiting.
std::uint32_t InputCountOnceSettled(driver::Device& device, std::uint32_t expected);

// CPU time used by the calling thread so far: tells a sleeping wait from a spinning one.
std::chrono::microseconds ThreadCpuTime();

}  // namespace test_support
