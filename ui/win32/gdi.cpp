#include "ui/win32/gdi.h"

#include <cwchar>

namespace ui::win32 {

Font FontOfHeight(const wchar_t* face, int pixels, int weight) {
  LOGFONTW description{};
  description.lfHeight = -pixels;  // negative: the character height, not the cell's
  description.lfWeight = weight;
  description.lfCharSet = DEFAULT_CHARSET;
  std::wcsncpy(description.lfFaceName, face, LF_FACESIZE - 1);
  return Font(CreateFontIndirectW(&description));
}

Font DialogFontOfHeight(int pixels) {
  LOGFONTW dialog{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof dialog, &dialog);
  return FontOfHeight(dialog.lfFaceName, pixels);
}

void FillSolid(HDC dc, const RECT& box, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

MemoryDc::MemoryDc(HDC like, int width, int height)
    : dc_(CreateCompatibleDC(like)), bitmap_(CreateCompatibleBitmap(like, width, height)) {
  SelectObject(dc_, bitmap_);
}

MemoryDc::~MemoryDc() {
  DeleteDC(dc_);  // first, so that the bitmap is no longer selected when it goes
  DeleteObject(bitmap_);
}

}  // namespace ui::win32
