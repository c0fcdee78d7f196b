#include "ui/qt/application.h"

#include <QCoreApplication>

#include "common/exception_handler.h"
#include "common/handover.h"
#include "ui/error_report.h"

namespace ui::qt {

void ProcessMessages() {
  QCoreApplication::processEvents();
  handover::ServePending();
}

Application::Application(Dialogs& dialogs) : dialogs_(dialogs) {
  QCoreApplication::setApplicationName(kApplicationTitle);
  handover::SetMainThread();
  handover::SetWakeHandler([target = &mainThreadTarget_] {
    QMetaObject::invokeMethod(target, [] { handover::ServePending(); }, Qt::QueuedConnection);
  });
  appexceptions::SetHandler([this](std::exception_ptr error) { ShowException(error); });
}

Application::~Application() {
  appexceptions::SetHandler({});
  handover::SetWakeHandler({});
}

int Application::Run() { return QCoreApplication::exec(); }

void Application::ShowException(std::exception_ptr error) {
  if (handover::IsMainThread()) {
    ShowErrorBox(dialogs_, kApplicationTitle, error);
    return;
  }
  // Not waited for: the reporting thread may be the one the main thread waits for.
  QMetaObject::invokeMethod(
      &mainThreadTarget_, [this, error] { ShowException(error); }, Qt::QueuedConnection);
}

}  // namespace ui::qt
