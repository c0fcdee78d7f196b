#pragma once

#include <string>

namespace test_support {

// A pseudo-terminal standing in for the user's screen: a program writes to Terminal()
// and the test reads what reached the screen, byte for byte (raw mode: no CR is added
// before LF).
class TerminalScreen {
 public:
  TerminalScreen();
  ~TerminalScreen();
  TerminalScreen(const TerminalScreen&) = delete;
  TerminalScreen& operator=(const TerminalScreen&) = delete;

  int Terminal() const { return terminal_; }
  // What reached the screen since the last call.
  std::string Shown();

 private:
  int screen_ = -1;
  int terminal_ = -1;
};

}  // namespace test_support
