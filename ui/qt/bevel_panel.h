#pragma once

#include <QWidget>

namespace ui::qt {

// A flat panel framed by a raised outer bevel and a lowered inner bevel, the two apart by
// a border; the widths are in pixels.
class BevelPanel : public QWidget {
 public:
  BevelPanel(int bevelWidth, int borderWidth, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int bevelWidth_;
  int borderWidth_;
};

}  // namespace ui::qt
