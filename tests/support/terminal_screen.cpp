#include "terminal_screen.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

namespace test_support {

TerminalScreen::TerminalScreen() {
  if (::openpty(&screen_, &terminal_, nullptr, nullptr, nullptr) != 0)
    throw std::runtime_error("openpty failed");
  // A program started by the test gets the terminal only where it is handed over.
  ::fcntl(screen_, F_SETFD, FD_CLOEXEC);
  ::fcntl(terminal_, F_SETFD, FD_CLOEXEC);
  termios raw{};
  ::tcgetattr(terminal_, &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(terminal_, TCSANOW, &raw);
  ::fcntl(screen_, F_SETFL, O_NONBLOCK);
}

TerminalScreen::~TerminalScreen() {
  ::close(screen_);
  ::close(terminal_);
}

std::string TerminalScreen::Shown() {
  std::string text;
  char chunk[4096];
  ssize_t n;
  while ((n = ::read(screen_, chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<std::size_t>(n));
  return text;
}

}  // namespace test_support
