#include "ui/win32/win32_toolkit.h"

#include "ui/win32/application.h"
#include "ui/win32/progress_window.h"

namespace {

// The window may be destroyed first, with its owner.
class ProgressWindowView : public ui::GuardedProgressView<TProgressF*> {
 public:
  explicit ProgressWindowView(TProgressF* window) : GuardedProgressView(window) {
    window->SetDestroyedHandler([this] { Forget(); });
  }
};

}  // namespace

std::unique_ptr<ui::ProgressView> Win32Toolkit::CreateProgress(ui::WindowHandle owner,
                                                               const std::string& title) {
  return std::make_unique<ProgressWindowView>(new TProgressF(static_cast<HWND>(owner), title));
}

void Win32Toolkit::ProcessMessages() { ui::win32::ProcessMessages(); }
