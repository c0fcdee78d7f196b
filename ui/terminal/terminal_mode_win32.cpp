#include <io.h>
#include <windows.h>

#include "ui/terminal/terminal_mode.h"

namespace ui {

// A console is what GetConsoleMode accepts (isatty also says yes for the null
// device). Escape sequences need the console's virtual terminal mode, which older
// consoles refuse.
TerminalMode PrepareTerminal(int fd) {
  const auto console = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  DWORD mode = 0;
  if (console == INVALID_HANDLE_VALUE || !::GetConsoleMode(console, &mode)) return {};
  if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return {LineErase::kEscape, {}};
  if (!::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING))
    return {LineErase::kBlanks, {}};
  return {LineErase::kEscape, [console, mode] { ::SetConsoleMode(console, mode); }};
}

}  // namespace ui
