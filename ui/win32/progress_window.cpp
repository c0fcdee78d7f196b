#include "ui/win32/progress_window.h"

#include <algorithm>
#include <stdexcept>

#include "ui/placement.h"
#include "ui/win32/application.h"
#include "ui/win32/control.h"
#include "ui/win32/text.h"

namespace {

constexpr wchar_t kWindowClass[] = L"TProgressF";
constexpr UINT kDestroyLater = WM_USER + 1;

constexpr ui::Size kClientSize{313, 59};
constexpr RECT kTitleBounds{12, 8, 12 + 289, 8 + 16};
constexpr RECT kGaugeBounds{12, 28, 12 + 289, 28 + 21};
constexpr int kBevelWidth = 2;
constexpr int kBorderWidth = 2;
constexpr int kTitleFontHeight = 11;
constexpr int kFontHeight = 13;

// `width` rings inside `box`, top and left in `topLeft`, bottom and right in
// `bottomRight`, as a shaded panel's edge; `box` shrinks by them.
void PaintBevel(HDC dc, RECT& box, COLORREF topLeft, COLORREF bottomRight, int width) {
  for (int ring = 0; ring < width; ++ring) {
    ui::win32::FillSolid(dc, {box.left, box.top, box.right - 1, box.top + 1}, topLeft);
    ui::win32::FillSolid(dc, {box.left, box.top, box.left + 1, box.bottom - 1}, topLeft);
    ui::win32::FillSolid(dc, {box.left, box.bottom - 1, box.right, box.bottom}, bottomRight);
    ui::win32::FillSolid(dc, {box.right - 1, box.top, box.right, box.bottom}, bottomRight);
    InflateRect(&box, -1, -1);
  }
}

// Panel1: a raised outer bevel and a lowered inner one, a border apart.
void PaintPanel(HDC dc, RECT box) {
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
  ui::win32::FillSolid(dc, box, GetSysColor(COLOR_BTNFACE));
  PaintBevel(dc, box, light, shadow, kBevelWidth);
  InflateRect(&box, -kBorderWidth, -kBorderWidth);
  PaintBevel(dc, box, shadow, light, kBevelWidth);
}

// Hidden until placed. No border and no caption: the client area is the whole window.
HWND CreateProgressWindow(WNDPROC procedure, HWND owner, const std::wstring& title) {
  ui::win32::RegisterWindowClass(kWindowClass, procedure);
  HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, kWindowClass, title.c_str(),
                                WS_POPUP, 0, 0, kClientSize.width, kClientSize.height, owner,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window) throw std::runtime_error("Impossible de créer la fenêtre de progression");
  return window;
}

ui::Frame OuterFrame(HWND window) {
  RECT frame{};
  GetWindowRect(window, &frame);
  return {{frame.left, frame.top}, {frame.right - frame.left, frame.bottom - frame.top}};
}

}  // namespace

TProgressF::TProgressF(HWND owner, const std::string& title)
    : titleFont_(ui::win32::SansSerifFontOfHeight(kTitleFontHeight, FW_BOLD)),
      font_(ui::win32::DialogFontOfHeight(kFontHeight)),
      handle_(CreateProgressWindow(WindowProc, owner, ui::win32::WideText(title))),
      gauge_(handle_, kGaugeBounds) {
  SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

  const ui::Frame own = OuterFrame(handle_);
  const ui::Point at = ui::CentredOver(OuterFrame(owner ? owner : GetDesktopWindow()), own.size);
  SetWindowPos(handle_, HWND_TOPMOST, at.x, at.y, 0, 0,
               SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

TProgressF::~TProgressF() {
  if (destroyed_) destroyed_();
}

void TProgressF::SetMax(int value) {
  gauge_.SetMax(std::max(value, 0));
  ui::win32::ProcessMessages();
}

void TProgressF::SetPosition(int value) {
  gauge_.SetPosition(std::max(value, 0));
  ui::win32::ProcessMessages();
}

void TProgressF::PaintNow() {
  RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TProgressF::Release() {
  destroyed_ = nullptr;
  ShowWindow(handle_, SW_HIDE);
  PostMessageW(handle_, kDestroyLater, 0, 0);
}

LRESULT CALLBACK TProgressF::WindowProc(HWND handle, UINT message, WPARAM wParam,
                                        LPARAM lParam) {
  auto* window = reinterpret_cast<TProgressF*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
  if (window) {
    switch (message) {
      case WM_PAINT: {
        PAINTSTRUCT paint;
        window->Paint(BeginPaint(handle, &paint));
        EndPaint(handle, &paint);
        return 0;
      }
      case WM_PRINTCLIENT:
        window->Paint(reinterpret_cast<HDC>(wParam));
        return 0;
      case WM_ERASEBKGND:
        return 1;  // painting covers every pixel
      case kDestroyLater:
        DestroyWindow(handle);
        return 0;
      case WM_NCDESTROY:
        SetWindowLongPtrW(handle, GWLP_USERDATA, 0);
        delete window;
        break;
    }
  }
  return DefWindowProcW(handle, message, wParam, lParam);
}

void TProgressF::Paint(HDC target) const {
  RECT client{};
  GetClientRect(handle_, &client);
  const ui::win32::MemoryDc buffer(target, client.right, client.bottom);
  PaintPanel(buffer.Get(), client);
  PaintTitle(buffer.Get());
  gauge_.Paint(buffer.Get(), font_.get());
  BitBlt(target, 0, 0, client.right, client.bottom, buffer.Get(), 0, 0, SRCCOPY);
}

void TProgressF::PaintTitle(HDC dc) const {
  SelectObject(dc, titleFont_.get());
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkMode(dc, TRANSPARENT);
  RECT bounds = kTitleBounds;
  DrawTextW(dc, ui::win32::WindowText(handle_).c_str(), -1, &bounds,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}
