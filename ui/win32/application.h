#pragma once

#include <exception>

#include "ui/dialogs.h"

// The Win32 half of the windowing runtime. Headers of this folder include windows.h; a
// file that also includes the serial component includes those first (their records
// share names with windows.h's macros).
namespace ui::win32 {

inline constexpr char kApplicationTitle[] = "Belvanto";

// Dispatches the pending messages (with the keyboard navigation of windows that have
// controls), then runs the serial component's pending main-thread hand-overs. Called
// between the blocking steps of a command so that windows repaint.
void ProcessMessages();

// The program's windowing runtime: the message loop and the default error handler.
// While it lives it is the application-wide exception handler, and hand-overs requested
// by other threads wake its loop, so they run promptly while the program is idle. One
// at a time, on the main thread.
class Application {
 public:
  explicit Application(Dialogs& dialogs);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Runs the message loop until PostQuitMessage; returns its exit code.
  int Run();

  // The default handler: a modal error box titled with the application title. Errors
  // reported by other threads are shown from the message loop.
  void ShowException(std::exception_ptr error);

 private:
  Dialogs& dialogs_;
  void* messageWindow_ = nullptr;  // the hidden window other threads post to
};

}  // namespace ui::win32
