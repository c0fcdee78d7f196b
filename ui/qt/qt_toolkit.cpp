#include "ui/qt/qt_toolkit.h"

#include <QPointer>

#include "ui/qt/progress_window.h"
#include "ui/qt/application.h"

namespace {

// Drives a progress window that Qt may destroy first (with its owner).
class ProgressWindowView : public ui::ProgressView {
 public:
  explicit ProgressWindowView(TProgressF* window) : window_(window) {}
  // A view dropped without Release still takes its window off the screen.
  ~ProgressWindowView() override { Release(); }

  void SetMax(int value) override {
    if (window_) window_->SetMax(value);
  }
  void SetPosition(int value) override {
    if (window_) window_->SetPosition(value);
  }
  void PaintNow() override {
    if (window_) window_->PaintNow();
  }
  void Release() override {
    if (window_) window_->Release();
    window_ = nullptr;
  }

 private:
  QPointer<TProgressF> window_;
};

}  // namespace

std::unique_ptr<ui::ProgressView> QtToolkit::CreateProgress(ui::WindowHandle owner,
                                                            const std::string& title) {
  return std::make_unique<ProgressWindowView>(
      new TProgressF(static_cast<QWidget*>(owner), QString::fromStdString(title)));
}

void QtToolkit::ProcessMessages() { ui::qt::ProcessMessages(); }

ui::WindowHandle HandleOf(QWidget* window) { return window; }
