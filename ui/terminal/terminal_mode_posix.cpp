#include <unistd.h>

#include "ui/terminal/terminal_mode.h"

namespace ui {

TerminalMode PrepareTerminal(int fd) {
  return {::isatty(fd) == 1 ? LineErase::kEscape : LineErase::kNone, {}};
}

}  // namespace ui
