#include "ui/win32/application.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <thread>

#include "common/exception_handler.h"
#include "common/handover.h"
#include "support/scripted_dialogs.h"

namespace {

// The idle message loop serves what other threads hand over, and shows their errors in
// the application's box, in the order they came.
TEST(Win32Application, ServesOtherThreadsFromItsLoopAndShowsTheirErrors) {
  ScriptedDialogs dialogs;
  ui::win32::Application application(dialogs);
  // A loop that is never woken ends after ten seconds instead of hanging the test.
  const UINT_PTR timer = SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(-1); });
  bool served = false;
  std::thread worker([&] {
    handover::RunOnMainThread([&] { served = true; });
    appexceptions::Report(std::make_exception_ptr(std::runtime_error("Erreur de lecture")));
    handover::RunOnMainThread([] { PostQuitMessage(7); });
  });
  EXPECT_EQ(application.Run(), 7);
  worker.join();
  KillTimer(nullptr, timer);
  EXPECT_TRUE(served);
  EXPECT_EQ(dialogs.shown(), std::vector<ScriptedDialogs::Shown>(
                                 {{"error", "Belvanto", "Erreur de lecture."}}));
}

}  // namespace
