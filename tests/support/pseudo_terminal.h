#pragma once

#include <termios.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <cstddef>
#include <string>
#include <string_view>

#include "common/unique_fd.h"
#include "serial/driver/device.h"
#include "support/line_port.h"
#include "support/line_peer.h"

namespace test_support {

// A pseudo-terminal for tests of the Linux serial backend: the device under test opens
// Path(); the test plays the other end of the line through the peer side.
class PseudoTerminal {
 public:
  PseudoTerminal();
  const std::string& Path() const { return path_; }
  int Peer() const { return peer_.Get(); }

  void Send(std::string_view bytes);
  // What arrives within the time, at most `count` bytes.
  std::string Receive(std::size_t count, std::chrono::milliseconds within);
  // The line settings as the kernel keeps them for this terminal.
  termios PeerAttributes() const;
  LineSeen Seen() const;
  // Closes the peer side, as an unplugged adapter does.
  void HangUp();

 private:
  UniqueFd peer_;
  std::string path_;
};

// The output speed of a tty in bit/s, also for speeds set through BOTHER.
unsigned OutputSpeedOf(int fd);

// A test on a pseudo-terminal with the Linux backend's device opened on it.
class PtyPortTest : public ::testing::Test {
 protected:
  // OpenConfigured on the pty; throws (failing the test) when the device did not open.
  void Open(const driver::COMMTIMEOUTS& timeouts) {
    device_ = OpenConfigured(pty_.Path(), timeouts);
    if (!device_) throw std::runtime_error("the pseudo-terminal did not open");
  }

  PseudoTerminal pty_;
  std::shared_ptr<driver::Device> device_;
};

}  // namespace test_support
