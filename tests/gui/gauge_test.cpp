#include "ui/qt/gauge.h"

#include <QApplication>
#include <QEvent>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

TEST(Gauge, RepaintsOnANewPercentageOrANewMaximumOnly) {
  ui::qt::Gauge gauge;
  gauge.resize(289, 21);
  gauge.show();
  PaintCounter counter(&gauge);
  QApplication::processEvents();

  const struct {
    const char* step;
    bool setsMax;
    int value;
    int paints;
  } steps[] = {
      {"max 1000 (0% still)", true, 1000, 1},
      {"position 9 (0%)", false, 9, 0},
      {"position 10 (1%)", false, 10, 1},
      {"position 19 (1%)", false, 19, 0},
      {"position 10 again", false, 10, 0},
      {"max 1000 again", true, 1000, 0},
      {"max 1001 (0%)", true, 1001, 1},
      {"position above the max (100%)", false, 5000, 1},
      {"position at the max", false, 1001, 0},
  };
  for (const auto& s : steps) {
    counter.paints = 0;
    if (s.setsMax)
      gauge.SetMax(s.value);
    else
      gauge.SetPosition(s.value);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, s.paints) << s.step;
  }
}

TEST(Gauge, RefusesANegativeMaximum) {
  ui::qt::Gauge gauge;
  gauge.SetPosition(30);
  EXPECT_THROW(gauge.SetMax(-1), std::runtime_error);
  EXPECT_EQ(gauge.Max(), 100);
  EXPECT_EQ(gauge.Percent(), 30);
}

}  // namespace
