#include "terminal_screen.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

namespace test_support {

TerminalScreen::TerminalScreen() {
  int screen = -1;
  int terminal = -1;
  if (::openpty(&screen, &terminal, nullptr, nullptr, nullptr) != 0)
    throw std::runtime_error("openpty failed");
  screen_.Reset(screen);
  terminal_.Reset(terminal);
  // A program started by the test gets the terminal only where it is handed over.
  ::fcntl(screen, F_SETFD, FD_CLOEXEC);
  ::fcntl(terminal, F_SETFD, FD_CLOEXEC);
  termios raw{};
  ::tcgetattr(terminal, &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(terminal, TCSANOW, &raw);
  ::fcntl(screen, F_SETFL, O_NONBLOCK);
}

std::string TerminalScreen::Shown() {
  std::string text;
  char chunk[4096];
  ssize_t n;
  while ((n = ::read(screen_.Get(), chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<std::size_t>(n));
  return text;
}

}  // namespace test_support
