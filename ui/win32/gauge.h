#pragma once

#include <windows.h>

#include "ui/gauge_model.h"

namespace ui::win32 {

// A horizontal percentage gauge that the window holding it paints in `bounds` of its
// client area: a blue bar over white inside a one-pixel black border, filled from the
// left in proportion to the percentage, with "N%" centred on it in inverted colours so
// that the text reads over both parts.
class Gauge {
 public:
  Gauge(HWND window, const RECT& bounds) : window_(window), bounds_(bounds) {}

  int Max() const { return model_.Max(); }
  int Position() const { return model_.Position(); }
  int Percent() const { return model_.Percent(); }

  // A maximum below the minimum (0) is refused with an error. A new maximum always
  // repaints; a new position only when the percentage changes.
  void SetMax(int value);
  void SetPosition(int value);

  // The percentage is written in `font`.
  void Paint(HDC dc, HFONT font) const;

 private:
  void Repaint() const;

  HWND window_;
  RECT bounds_;
  GaugeModel model_;
};

}  // namespace ui::win32
