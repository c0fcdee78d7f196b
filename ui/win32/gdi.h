#pragma once

#include <windows.h>

#include <initializer_list>
#include <memory>
#include <type_traits>

// Small owners and helpers for painting with GDI.
namespace ui::win32 {

struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using Font = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;

// A font whose characters are `pixels` high whatever the screen's font size, of the
// first of `faces` that is installed (the classic face first, then look-alikes of its
// width; the last when none is). A `width` other than 0 sets the characters' average
// width in pixels.
Font FontOfHeight(std::initializer_list<const wchar_t*> faces, int pixels, int weight = FW_NORMAL,
                  int width = 0);
// "MS Sans Serif", the classic dialog face, or a look-alike of its width.
Font SansSerifFontOfHeight(int pixels, int weight = FW_NORMAL);
// The face Windows uses for the text of dialogs, at `pixels`.
Font DialogFontOfHeight(int pixels);

void FillSolid(HDC dc, const RECT& box, COLORREF colour);

// A bitmap to paint into before it goes to the screen in one copy (no flicker), or to
// combine with what is there.
class MemoryDc {
 public:
  MemoryDc(HDC like, int width, int height);
  ~MemoryDc();
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;

  HDC Get() const { return dc_; }

 private:
  HDC dc_;
  HBITMAP bitmap_;
};

}  // namespace ui::win32
