#include "ui/gauge_model.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>

namespace {

TEST(GaugeModel, StartsAtZeroOfAHundred) {
  const ui::GaugeModel gauge;
  EXPECT_EQ(gauge.Max(), 100);
  EXPECT_EQ(gauge.Position(), 0);
  EXPECT_EQ(gauge.Percent(), 0);
}

TEST(GaugeModel, PercentIsTheWholePartOfTheShareDone) {
  ui::GaugeModel gauge;
  gauge.SetMax(7);
  const int expected[] = {0, 14, 28, 42, 57, 71, 85, 100};
  for (int position = 0; position <= 7; ++position) {
    gauge.SetPosition(position);
    EXPECT_EQ(gauge.Percent(), expected[position]) << "position " << position;
  }
}

TEST(GaugeModel, CardTransferOf32BlocksShowsBlocksFinishedMinusOne) {
  ui::GaugeModel gauge;
  gauge.SetMax(31);
  const struct {
    int position, percent;
  } steps[] = {{0, 0}, {1, 3}, {15, 48}, {30, 96}, {31, 100}};
  for (const auto& s : steps) {
    gauge.SetPosition(s.position);
    EXPECT_EQ(gauge.Percent(), s.percent) << "position " << s.position;
  }
}

// Each step keeps the position inside [0, max]: clamping, lowering the maximum below the
// position, and a zero maximum that pins everything at 0%.
TEST(GaugeModel, PositionStaysInsideTheRange) {
  ui::GaugeModel gauge;
  const struct {
    const char* step;
    bool setsMax;
    int value;
    int position, percent;
  } steps[] = {
      {"max 3", true, 3, 0, 0},
      {"position 5 above max 3", false, 5, 3, 100},
      {"position -4", false, -4, 0, 0},
      {"max 100", true, 100, 0, 0},
      {"position 80", false, 80, 80, 80},
      {"max 50 below the position", true, 50, 50, 100},
      {"max 200 above it", true, 200, 50, 25},
      {"max 0", true, 0, 0, 0},
      {"position 1 with max 0", false, 1, 0, 0},
  };
  for (const auto& s : steps) {
    if (s.setsMax)
      gauge.SetMax(s.value);
    else
      gauge.SetPosition(s.value);
    EXPECT_EQ(gauge.Position(), s.position) << s.step;
    EXPECT_EQ(gauge.Percent(), s.percent) << s.step;
  }
}

TEST(GaugeModel, RefusesAMaximumBelowTheMinimumAndKeepsItsState) {
  ui::GaugeModel gauge;
  gauge.SetMax(10);
  gauge.SetPosition(4);
  try {
    gauge.SetMax(-1);
    FAIL() << "a negative maximum was taken";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Maximum de la jauge hors limites : -1 (minimum 0)");
  }
  EXPECT_EQ(gauge.Max(), 10);
  EXPECT_EQ(gauge.Position(), 4);
}

TEST(GaugeModel, LargeValuesDoNotOverflowThePercentage) {
  ui::GaugeModel gauge;
  gauge.SetMax(INT_MAX);
  gauge.SetPosition(INT_MAX - 1);
  EXPECT_EQ(gauge.Percent(), 99);
  gauge.SetPosition(INT_MAX / 2);
  EXPECT_EQ(gauge.Percent(), 49);
}

// What the window's gauge repaints on: a new percentage, or any new maximum.
TEST(GaugeModel, ReportsChangesThatNeedARepaint) {
  ui::GaugeModel gauge;
  gauge.SetMax(1000);
  EXPECT_FALSE(gauge.SetPosition(0));
  EXPECT_FALSE(gauge.SetPosition(9));   // still 0%
  EXPECT_TRUE(gauge.SetPosition(10));   // 1%
  EXPECT_FALSE(gauge.SetPosition(19));  // still 1%
  EXPECT_TRUE(gauge.SetPosition(5000));  // clamped: 100%
  EXPECT_FALSE(gauge.SetPosition(1000));
  EXPECT_FALSE(gauge.SetMax(1000));
  gauge.SetPosition(0);
  EXPECT_TRUE(gauge.SetMax(500));  // a new maximum, even at an unchanged 0%
}

}  // namespace
