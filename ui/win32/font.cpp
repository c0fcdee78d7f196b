#include "ui/win32/font.h"

namespace ui::win32 {

Font::Font(const wchar_t* face, int pixels, bool bold)
    : font_(CreateFontW(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, face)) {}

Font::~Font() { DeleteObject(font_); }

}  // namespace ui::win32
