#pragma once

#include <QObject>
#include <exception>

#include "ui/dialogs.h"

namespace ui::qt {

inline constexpr char kApplicationTitle[] = "Belvanto";

// Lets Qt handle the pending events, then runs the serial component's pending main-thread
// hand-overs. Called between the blocking steps of a command so that windows repaint and
// the event thread is not kept waiting.
void ProcessMessages();

// The program's windowing runtime over an existing QApplication: the application title,
// the message loop and the default error handler. While it lives it is the
// application-wide exception handler, and hand-overs requested by other threads wake its
// loop, so they run promptly while the program is idle. One at a time.
class Application {
 public:
  explicit Application(Dialogs& dialogs);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Runs the message loop until the program quits; returns its exit code.
  int Run();

  // The default handler: a modal error box titled with the application title. Errors
  // reported by other threads are shown from the message loop, since only the main
  // thread may show windows.
  void ShowException(std::exception_ptr error);

 private:
  Dialogs& dialogs_;
  QObject mainThreadTarget_;  // receives what other threads post to the message loop
};

}  // namespace ui::qt
