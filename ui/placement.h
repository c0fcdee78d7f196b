#pragma once

// Where a small window goes over the window that owns it, in screen pixels, whatever
// the toolkit.
namespace ui {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
};

// An outer frame: its top-left corner and its size.
struct Frame {
  Point topLeft;
  Size size;
};

// Where a window of outer size `own` goes to be centred over the outer frame `owner`;
// halves round toward zero, so a window wider than its owner sticks out on both sides.
Point CentredOver(const Frame& owner, const Size& own);

}  // namespace ui
