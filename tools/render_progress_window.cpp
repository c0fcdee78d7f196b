// Takes a screenshot of the progress window at 42% over a main-window-sized owner, as the
// screen shows it, for the documentation:
//   xvfb-run -a build/render-progress-window docs/progress-window.png
#include <QApplication>
#include <cstdio>

#include "common/version.h"
#include "ui/qt/progress_window.h"
#include "screenshot.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
    return 2;
  }
  QWidget owner;
  owner.setWindowTitle("Belvanto - v " BELVANTO_VERSION);
  owner.setGeometry(171, 190, 604, 361);
  owner.show();

  TProgressF progress(&owner, "Lecture");
  progress.PaintNow();
  progress.SetMax(7);
  progress.SetPosition(3);  // 3 of 7: 42%
  if (!SaveScreenshot(progress, argv[1])) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
