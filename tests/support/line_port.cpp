#include "support/line_port.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "serial/driver/directory.h"

namespace test_support {

driver::COMMTIMEOUTS Timeouts(std::uint32_t interval, std::uint32_t multiplier,
                              std::uint32_t constant, std::uint32_t writeMultiplier,
                              std::uint32_t writeConstant) {
  return {interval, multiplier, constant, writeMultiplier, writeConstant};
}

driver::DCB PtyLineDcb() {
  driver::DCB dcb = CardProgrammerDcb();
  dcb.Flags &= ~driver::FlagParity;
  dcb.Parity = driver::NOPARITY;
  return dcb;
}

std::shared_ptr<driver::Device> OpenConfigured(const std::string& path,
                                               const driver::COMMTIMEOUTS& timeouts,
                                               const driver::DCB& dcb) {
  std::shared_ptr<driver::Device> device;
  EXPECT_EQ(driver::OpenSystemDevice(path, device), 0) << path;
  if (!device) return nullptr;
  EXPECT_EQ(device->SetQueueSizes(1024, 1024), 0);
  EXPECT_EQ(device->SetState(dcb), 0);
  EXPECT_EQ(device->SetTimeouts(timeouts), 0);
  return device;
}

namespace {

// Starts with `start`, then waits; `moved` bytes of `buffer` are the outcome's bytes.
template <typename Start>
TransferOutcome Measured(const std::string& buffer, Start start) {
  TransferOutcome outcome;
  const auto begin = std::chrono::steady_clock::now();
  const auto cpu = ThreadCpuTime();
  std::unique_ptr<driver::Transfer> transfer;
  outcome.error = start(transfer, outcome.immediate);
  std::size_t moved = 0;
  if (outcome.error == 0) outcome.error = transfer->Wait(moved);
  outcome.bytes = buffer.substr(0, moved);
  outcome.took = std::chrono::steady_clock::now() - begin;
  outcome.cpu = ThreadCpuTime() - cpu;
  return outcome;
}

}  // namespace

TransferOutcome Read(driver::Device& device, std::size_t count) {
  std::string buffer(count, '\0');
  return Measured(buffer, [&](std::unique_ptr<driver::Transfer>& transfer, std::size_t& immediate) {
    return device.StartRead(buffer.data(), count, transfer, immediate);
  });
}

TransferOutcome Write(driver::Device& device, const std::string& bytes) {
  return Measured(bytes, [&](std::unique_ptr<driver::Transfer>& transfer, std::size_t& immediate) {
    return device.StartWrite(bytes.data(), bytes.size(), transfer, immediate);
  });
}

std::uint32_t InputCountOnceSettled(driver::Device& device, std::uint32_t expected) {
  std::uint32_t errors = 0, queued = 0;
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(device.ClearErrors(errors, queued), 0);
    if (queued == expected) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return queued;
}

void LinePortTest::Open(const driver::COMMTIMEOUTS& timeouts) {
  device_ = OpenConfigured(peer_->DevicePath(), timeouts, PtyLineDcb());
  if (!device_) throw std::runtime_error("the line did not open");
}

}  // namespace test_support
