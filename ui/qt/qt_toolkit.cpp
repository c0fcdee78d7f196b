#include "ui/qt/qt_toolkit.h"

#include <QPointer>

#include "ui/qt/progress_window.h"
#include "ui/qt/application.h"

namespace {

// Qt destroys a progress window with its owner at the latest; QPointer then turns null.
using ProgressWindowView = ui::GuardedProgressView<QPointer<TProgressF>>;

}  // namespace

std::unique_ptr<ui::ProgressView> QtToolkit::CreateProgress(ui::WindowHandle owner,
                                                            const std::string& title) {
  return std::make_unique<ProgressWindowView>(
      new TProgressF(static_cast<QWidget*>(owner), QString::fromStdString(title)));
}

void QtToolkit::ProcessMessages() { ui::qt::ProcessMessages(); }

ui::WindowHandle HandleOf(QWidget* window) { return window; }
