#pragma once

#include <functional>

// What the platform's terminal behind a file descriptor offers the progress line.
namespace ui {

enum class LineErase {
  kNone,    // not a terminal (a pipe, a file, the null device): nothing is drawn
  kEscape,  // "\x1b[K" erases the rest of the line
  kBlanks,  // a terminal without escape sequences: blanks overwrite the rest
};

struct TerminalMode {
  LineErase erase = LineErase::kNone;
  std::function<void()> restore;  // gives back what was changed to draw; may be empty
};

// Readies the terminal behind `fd` for a line redrawn in place.
TerminalMode PrepareTerminal(int fd);

}  // namespace ui
