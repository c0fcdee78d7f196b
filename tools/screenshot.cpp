#include "screenshot.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

namespace {

void WaitUntilOnScreen(QWidget& window) {
  const QDeadlineTimer deadline(3000);
  while (!window.windowHandle()->isExposed() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  QCoreApplication::processEvents();
}

}  // namespace

bool SaveScreenshot(QWidget& window, const char* path) {
  WaitUntilOnScreen(window);
  const QRect frame = window.frameGeometry();
  const QPixmap shot =
      window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  return shot.save(path);
}
