#include "ui/win32/gdi.h"

#include <cwchar>

namespace ui::win32 {

namespace {

struct Search {
  const wchar_t* face;
  bool found = false;
};

// Scalable fonts only: a bitmap face comes in a few sizes, none of them the layout's.
int CALLBACK NoteFound(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM search) {
  auto* wanted = reinterpret_cast<Search*>(search);
  wanted->found = (type & TRUETYPE_FONTTYPE) && _wcsicmp(font->lfFaceName, wanted->face) == 0;
  return !wanted->found;
}

bool IsInstalled(const wchar_t* face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  std::wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
  Search search{face};
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesExW(screen, &wanted, NoteFound, reinterpret_cast<LPARAM>(&search), 0);
  ReleaseDC(nullptr, screen);
  return search.found;
}

const wchar_t* FirstInstalled(std::initializer_list<const wchar_t*> faces) {
  for (const wchar_t* face : faces)
    if (IsInstalled(face)) return face;
  return *(faces.end() - 1);
}

}  // namespace

Font FontOfHeight(std::initializer_list<const wchar_t*> faces, int pixels, int weight, int width) {
  LOGFONTW description{};
  description.lfHeight = -pixels;  // negative: the character height, not the cell's
  description.lfWidth = width;
  description.lfWeight = weight;
  description.lfCharSet = DEFAULT_CHARSET;
  std::wcsncpy(description.lfFaceName, FirstInstalled(faces), LF_FACESIZE - 1);
  return Font(CreateFontIndirectW(&description));
}

Font SansSerifFontOfHeight(int pixels, int weight) {
  return FontOfHeight({L"MS Sans Serif", L"Liberation Sans", L"Arial"}, pixels, weight);
}

Font DialogFontOfHeight(int pixels) {
  LOGFONTW dialog{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof dialog, &dialog);
  return FontOfHeight({dialog.lfFaceName}, pixels);
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
