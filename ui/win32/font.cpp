#include "ui/win32/font.h"

#include <cwchar>

namespace ui::win32 {

namespace {

struct Search {
  const wchar_t* face;
  bool found = false;
};

// Scalable fonts only: a bitmap face (Wine's stand-in "Courier") comes in a few sizes,
// none of them the layout's.
int CALLBACK NoteFound(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM search) {
  auto* wanted = reinterpret_cast<Search*>(search);
  if ((type & TRUETYPE_FONTTYPE) && _wcsicmp(font->lfFaceName, wanted->face) == 0) wanted->found = true;
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

Font::Font(std::initializer_list<const wchar_t*> faces, int pixels, bool bold, int width)
    : font_(CreateFontW(-pixels, width, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, FirstInstalled(faces))) {}

Font::~Font() { DeleteObject(font_); }

}  // namespace ui::win32
