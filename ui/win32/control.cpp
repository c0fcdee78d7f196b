#include "ui/win32/control.h"

#include <stdexcept>
#include <string>

#include "ui/win32/text.h"

namespace ui::win32 {

void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background, HICON icon) {
  WNDCLASSEXW description{};
  description.cbSize = sizeof description;
  description.lpfnWndProc = procedure;
  description.hInstance = GetModuleHandleW(nullptr);
  description.hIcon = icon;
  description.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  description.hbrBackground = background;
  description.lpszClassName = name;
  if (!RegisterClassExW(&description) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw std::runtime_error("cannot register a window class (" + std::to_string(GetLastError()) + ")");
}

HWND CreateControl(HWND parent, const wchar_t* kind, const std::string& text, DWORD style,
                   DWORD exStyle, const RECT& bounds, int id, HFONT font) {
  HWND control = CreateWindowExW(exStyle, kind, WideText(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                                 bounds.left, bounds.top, bounds.right - bounds.left,
                                 bounds.bottom - bounds.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  if (!control) throw std::runtime_error("cannot create the control \"" + text + "\"");
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

}  // namespace ui::win32
