#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace ui::win32 {

// Text shown by Windows: UTF-8 in the program, UTF-16 at the boundary. Bytes that are
// not UTF-8 show as replacement characters instead of losing the whole text.
std::wstring WideText(std::string_view text);

// The text of a window: a caption, or the title a captionless window paints.
std::wstring WindowText(HWND window);

}  // namespace ui::win32
