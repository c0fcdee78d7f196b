#pragma once

#include <windows.h>

#include <string>

namespace ui::win32 {

// Registers the window class `name` of this program unless it is registered already.
// Raises std::runtime_error when Windows refuses it.
void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background = nullptr,
                         HICON icon = nullptr);

// A visible child control of `parent` of the window class `kind`, with its text (UTF-8),
// styles, bounds in the parent's client area, control id and font. Raises
// std::runtime_error when Windows refuses it.
HWND CreateControl(HWND parent, const wchar_t* kind, const std::string& text, DWORD style,
                   DWORD exStyle, const RECT& bounds, int id, HFONT font);

}  // namespace ui::win32
