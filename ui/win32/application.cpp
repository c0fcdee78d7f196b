#include "ui/win32/application.h"

#include <windows.h>

#include <memory>
#include <stdexcept>

#include "common/exception_handler.h"
#include "common/handover.h"
#include "ui/error_report.h"
#include "ui/win32/control.h"

namespace ui::win32 {

namespace {

constexpr UINT kServeHandovers = WM_APP;
constexpr UINT kShowError = WM_APP + 1;  // lParam: a std::exception_ptr to take over
constexpr wchar_t kMessageWindowClass[] = L"BelvantoMessages";

// Tab, the arrows and the access keys move between the controls of a window that
// contains controls, as in a dialog.
void Dispatch(MSG& message) {
  HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (root && (GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) &&
      IsDialogMessageW(root, &message))
    return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

LRESULT CALLBACK MessageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kServeHandovers:
      handover::ServePending();
      return 0;
    case kShowError: {
      std::unique_ptr<std::exception_ptr> error(reinterpret_cast<std::exception_ptr*>(lParam));
      auto* application = reinterpret_cast<Application*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      if (application) application->ShowException(*error);
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

HWND CreateMessageWindow(Application* application) {
  RegisterWindowClass(kMessageWindowClass, MessageWindowProc);
  HWND window = CreateWindowExW(0, kMessageWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (!window) throw std::runtime_error("cannot create the message window");
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(application));
  return window;
}

HWND AsWindow(void* window) { return static_cast<HWND>(window); }

}  // namespace

void ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Left for the message loop, which ends on it.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    Dispatch(message);
  }
  handover::ServePending();
}

Application::Application(Dialogs& dialogs)
    : dialogs_(dialogs), messageWindow_(CreateMessageWindow(this)) {
  handover::SetMainThread();
  handover::SetWakeHandler(
      [window = AsWindow(messageWindow_)] { PostMessageW(window, kServeHandovers, 0, 0); });
  appexceptions::SetHandler([this](std::exception_ptr error) { ShowException(error); });
}

Application::~Application() {
  appexceptions::SetHandler({});
  handover::SetWakeHandler({});
  DestroyWindow(AsWindow(messageWindow_));
}

int Application::Run() {
  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) Dispatch(message);
  return got == 0 ? static_cast<int>(message.wParam) : 1;
}

void Application::ShowException(std::exception_ptr error) {
  if (handover::IsMainThread()) {
    ShowErrorBox(dialogs_, kApplicationTitle, error);
    return;
  }
  // Not waited for: the reporting thread may be the one the main thread waits for.
  auto posted = std::make_unique<std::exception_ptr>(error);
  if (PostMessageW(AsWindow(messageWindow_), kShowError, 0,
                   reinterpret_cast<LPARAM>(posted.get())))
    posted.release();
}

}  // namespace ui::win32
