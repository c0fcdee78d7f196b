#pragma once

#include <windows.h>

#include <initializer_list>

namespace ui::win32 {

// A GDI font of `pixels` character height (not the cell height, as a negative lfHeight
// asks), so that the layout does not grow with the screen's font size. Owned.
class Font {
 public:
  // The first of `faces` that is installed (the classic face first, then look-alikes
  // of its width); the last when none is. A `width` other than 0 sets the characters'
  // average width in pixels.
  Font(std::initializer_list<const wchar_t*> faces, int pixels, bool bold = false, int width = 0);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  HFONT Handle() const { return font_; }

 private:
  HFONT font_;
};

}  // namespace ui::win32
