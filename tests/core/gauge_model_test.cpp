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

TEST(GaugeModel, PositionIsClampedIntoTheRange) {
  ui::GaugeModel gauge;
  gauge.SetMax(3);
  gauge.SetPosition(5);
  EXPECT_EQ(gauge.Position(), 3);
  EXPECT_EQ(gauge.Percent(), 100);
  gauge.SetPosition(-4);
  EXPECT_EQ(gauge.Position(), 0);
  EXPECT_EQ(gauge.Percent(), 0);
}

TEST(GaugeModel, ZeroMaximumShowsZeroPercentAtAnyPosition) {
  ui::GaugeModel gauge;
  gauge.SetMax(0);
  gauge.SetPosition(1);
  EXPECT_EQ(gauge.Position(), 0);
  EXPECT_EQ(gauge.Percent(), 0);
}

TEST(GaugeModel, LoweringTheMaximumBelowThePositionLowersThePosition) {
  ui::GaugeModel gauge;
  gauge.SetPosition(80);
  gauge.SetMax(50);
  EXPECT_EQ(gauge.Position(), 50);
  EXPECT_EQ(gauge.Percent(), 100);
  gauge.SetMax(200);
  EXPECT_EQ(gauge.Position(), 50);
  EXPECT_EQ(gauge.Percent(), 25);
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
