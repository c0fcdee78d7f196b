#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "ui/terminal/terminal_mode.h"
#include "ui/toolkit.h"

// Progress for the command-line program: one line redrawn in place on a terminal, with
// the title, a bar, the percentage and an estimate of the time left. Nothing is written
// when the output is not a terminal (a pipe, a log file) or when asked to be quiet.
namespace ui {

class TerminalToolkit : public Toolkit {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // Writes to the file descriptor `fd` (normally standard error), which it does not own.
  explicit TerminalToolkit(int fd, bool quiet = false,
                           Clock clock = &std::chrono::steady_clock::now);
  // Gives the terminal back as it found it.
  ~TerminalToolkit() override;
  TerminalToolkit(const TerminalToolkit&) = delete;
  TerminalToolkit& operator=(const TerminalToolkit&) = delete;

  // `owner` has no meaning on a terminal.
  std::unique_ptr<ProgressView> CreateProgress(WindowHandle owner,
                                               const std::string& title) override;
  // A terminal program has no message loop: only the serial hand-overs are served.
  void ProcessMessages() override;

 private:
  int fd_;
  TerminalMode mode_;
  Clock clock_;
};

}  // namespace ui
