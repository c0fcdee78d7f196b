#pragma once

#include <windows.h>

namespace ui::win32 {

// A GDI font of `pixels` character height (not the cell height, as a negative lfHeight
// asks), so that the layout does not grow with the screen's font size. Owned.
class Font {
 public:
  Font(const wchar_t* face, int pixels, bool bold = false);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  HFONT Handle() const { return font_; }

 private:
  HFONT font_;
};

}  // namespace ui::win32
