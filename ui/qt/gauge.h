#pragma once

#include <QWidget>

#include "ui/gauge_model.h"

namespace ui::qt {

// A horizontal percentage gauge: a blue bar over white inside a one-pixel black border,
// filled from the left in proportion to the percentage, with "N%" centred on it in
// inverted colours so that the text reads over both parts.
class Gauge : public QWidget {
 public:
  explicit Gauge(QWidget* parent = nullptr);

  int Max() const { return model_.Max(); }
  int Position() const { return model_.Position(); }
  int Percent() const { return model_.Percent(); }

  // A maximum below the minimum (0) is refused with an error. A new maximum always
  // repaints; a new position only when the percentage changes.
  void SetMax(int value);
  void SetPosition(int value);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  GaugeModel model_;
};

}  // namespace ui::qt
