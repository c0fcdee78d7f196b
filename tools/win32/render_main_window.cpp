// Takes a screenshot of the Windows main window after a read of the simulated good card
// on COM1, as the screen shows it, for the documentation (under Wine with a virtual
// display; see the README):
//   render-main-window.exe main-window-windows.bmp
#include "apps/gui/win32/main_window.h"

#include <cstdio>
#include <exception>

#include "screenshot.h"
#include "sim/scenarios.h"
#include "ui/win32/application.h"
#include "ui/win32/dialogs.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.bmp\n", argv[0]);
    return 2;
  }
  driver::sim::AttachBuiltInScenarios({}, 50);
  ui::win32::Win32Dialogs dialogs;
  ui::win32::Application application(dialogs);
  TForm1 form(dialogs);
  form.Show();
  try {
    form.btLireClick();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "the read failed: %s\n", e.what());
    return 1;
  }
  if (!SaveScreenshot(form.Handle(), argv[1])) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
