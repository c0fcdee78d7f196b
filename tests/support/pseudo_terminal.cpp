#include "support/pseudo_terminal.h"

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "common/unique_fd.h"
#include "serial/driver/posix/poll_wait.h"

namespace test_support {

namespace {

void Check(bool ok, const char* what) {
  if (!ok) throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
  int peer = -1;
  int device = -1;
  char name[128] = {};
  Check(::openpty(&peer, &device, name, nullptr, nullptr) == 0, "openpty");
  peer_.Reset(peer);
  // The device side is opened again by the code under test; the peer keeps the pair.
  ::close(device);
  path_ = name;
}

void PseudoTerminal::Send(std::string_view bytes) {
  if (const int error = WriteAll(Peer(), bytes))
    throw std::system_error(error, std::generic_category(), "write to pty peer");
}

std::string PseudoTerminal::Receive(std::size_t count, std::chrono::milliseconds within) {
  const auto deadline = std::chrono::steady_clock::now() + within;
  std::string received;
  while (received.size() < count) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= decltype(left)::zero()) break;
    pollfd p{Peer(), POLLIN, 0};
    if (driver::PollFor(&p, 1, left) <= 0 || !(p.revents & POLLIN)) break;
    char chunk[256];
    const ssize_t n = ::read(Peer(), chunk, std::min(sizeof chunk, count - received.size()));
    if (n <= 0) break;
    received.append(chunk, static_cast<std::size_t>(n));
  }
  return received;
}

termios PseudoTerminal::PeerAttributes() const {
  termios attributes{};
  Check(::tcgetattr(Peer(), &attributes) == 0, "tcgetattr on pty peer");
  return attributes;
}

LineSeen PseudoTerminal::Seen() const {
  const termios t = PeerAttributes();
  const bool editing = t.c_lflag & (ICANON | ECHO | ISIG);
  const bool processing = (t.c_oflag & OPOST) || (t.c_iflag & (IXON | IXOFF | ICRNL));
  return {OutputSpeedOf(Peer()), (t.c_cflag & PARODD) != 0, (t.c_cflag & CSTOPB) != 0,
          !editing && !processing, (t.c_cflag & CRTSCTS) != 0};
}

void PseudoTerminal::HangUp() {
  peer_.Reset();
}

}  // namespace test_support
