#include "ui/win32/win32_toolkit.h"

#include <utility>

#include "ui/win32/application.h"
#include "ui/win32/progress_window.h"

namespace {

// Drives a progress window that may be destroyed first (with its owner).
class ProgressWindowView : public ui::ProgressView {
 public:
  explicit ProgressWindowView(TProgressF* window) : window_(window) {
    window_->SetDestroyedHandler([this] { window_ = nullptr; });
  }
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
    if (!window_) return;
    window_->SetDestroyedHandler({});
    std::exchange(window_, nullptr)->Release();
  }

 private:
  TProgressF* window_;
};

}  // namespace

std::unique_ptr<ui::ProgressView> Win32Toolkit::CreateProgress(ui::WindowHandle owner,
                                                               const std::string& title) {
  return std::make_unique<ProgressWindowView>(new TProgressF(static_cast<HWND>(owner), title));
}

void Win32Toolkit::ProcessMessages() { ui::win32::ProcessMessages(); }
