#pragma once

#include <memory>

#include <gtest/gtest.h>

#include "serial/driver/device.h"
#include "support/line_port.h"
#include "support/pseudo_terminal.h"

namespace test_support {

// A test on a pseudo-terminal with the Linux backend's device opened on it.
class PtyPortTest : public ::testing::Test {
 protected:
  // OpenConfigured on the pty; throws (failing the test) when the device did not open.
  void Open(const driver::COMMTIMEOUTS& timeouts);

  PseudoTerminal pty_;
  std::shared_ptr<driver::Device> device_;
};

}  // namespace test_support
