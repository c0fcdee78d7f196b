#include "support/posix_port.h"

#include <stdexcept>

namespace test_support {

void PtyPortTest::Open(const driver::COMMTIMEOUTS& timeouts) {
  device_ = OpenConfigured(pty_.Path(), timeouts);
  if (!device_) throw std::runtime_error("the pseudo-terminal did not open");
}

}  // namespace test_support
