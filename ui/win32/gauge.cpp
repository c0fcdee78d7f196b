#include "ui/win32/gauge.h"

#include <string>

#include "ui/win32/gdi.h"

namespace ui::win32 {

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// White text on black, combined by XOR: over the gauge's pure colours that is the
// difference with white, so the text turns yellow over blue and black over white.
void DrawInvertedText(HDC dc, const RECT& box, const std::wstring& text, HFONT font) {
  const int width = box.right - box.left, height = box.bottom - box.top;
  const MemoryDc mask(dc, width, height);
  RECT local{0, 0, width, height};
  FillSolid(mask.Get(), local, kBlack);
  SelectObject(mask.Get(), font);
  SetTextColor(mask.Get(), kWhite);
  SetBkMode(mask.Get(), TRANSPARENT);
  DrawTextW(mask.Get(), text.c_str(), -1, &local,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  BitBlt(dc, box.left, box.top, width, height, mask.Get(), 0, 0, SRCINVERT);
}

}  // namespace

void Gauge::SetMax(int value) {
  if (model_.SetMax(value)) Repaint();
}

void Gauge::SetPosition(int value) {
  if (model_.SetPosition(value)) Repaint();
}

void Gauge::Repaint() const { InvalidateRect(window_, &bounds_, FALSE); }

void Gauge::Paint(HDC dc, HFONT font) const {
  FillSolid(dc, bounds_, kBlack);
  RECT inside = bounds_;
  InflateRect(&inside, -1, -1);
  FillSolid(dc, inside, kWhite);
  RECT bar = inside;
  bar.right = inside.left + (inside.right - inside.left) * Percent() / 100;
  FillSolid(dc, bar, kBlue);
  DrawInvertedText(dc, inside, std::to_wstring(Percent()) + L"%", font);
}

}  // namespace ui::win32
