// Takes a screenshot of the progress window at 42% over a main-window-sized owner, as the
// screen shows it, for the documentation:
//   xvfb-run -a build/render-progress-window docs/progress-window.png
#include <QApplication>
#include <QDeadlineTimer>
#include <QPixmap>
#include <QScreen>
#include <QWindow>
#include <cstdio>

#include "app/progress_window.h"

namespace {

void WaitUntilOnScreen(QWidget& window) {
  const QDeadlineTimer deadline(3000);
  while (!window.windowHandle()->isExposed() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
    return 2;
  }
  QWidget owner;
  owner.setWindowTitle("Belvanto - v 0.3");
  owner.setGeometry(171, 190, 604, 361);
  owner.show();

  TProgressF progress(&owner, "Lecture");
  progress.PaintNow();
  progress.SetMax(7);
  progress.SetPosition(3);  // 3 of 7: 42%
  WaitUntilOnScreen(progress);

  const QRect frame = progress.frameGeometry();
  const QPixmap shot =
      progress.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  if (!shot.save(argv[1])) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
