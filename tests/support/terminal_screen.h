#pragma once

#include <string>

#include "common/unique_fd.h"

namespace test_support {

// A pseudo-terminal standing in for the user's screen: a program writes to Terminal()
// and the test reads what reached the screen, byte for byte (raw mode: no CR is added
// before LF).
class TerminalScreen {
 public:
  TerminalScreen();
  int Terminal() const { return terminal_.Get(); }
  // What reached the screen since the last call.
  std::string Shown();

 private:
  UniqueFd screen_;
  UniqueFd terminal_;
};

}  // namespace test_support
