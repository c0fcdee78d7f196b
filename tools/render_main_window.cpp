// Takes a screenshot of the main window after a read of the simulated good card on COM1,
// as the screen shows it, for the documentation:
//   xvfb-run -a build/render-main-window docs/main-window.png
#include <QApplication>
#include <cstdio>
#include <exception>

#include "apps/gui/main_window.h"
#include "screenshot.h"
#include "sim/scenarios.h"
#include "ui/qt/application.h"
#include "ui/qt/dialogs.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
    return 2;
  }
  driver::sim::AttachBuiltInScenarios({}, 50);
  ui::qt::QtDialogs dialogs;
  ui::qt::Application application(dialogs);
  TForm1 form(dialogs);
  form.show();
  try {
    form.btLireClick();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "the read failed: %s\n", e.what());
    return 1;
  }
  if (!SaveScreenshot(form, argv[1])) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
