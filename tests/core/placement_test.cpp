#include "ui/placement.h"

#include <gtest/gtest.h>

namespace {

TEST(Placement, CentresOverTheOwnerRoundingTowardZero) {
  const ui::Size own{313, 59};
  const struct {
    ui::Frame owner;
    ui::Point expected;
  } cases[] = {
      {{{100, 190}, {613, 388}}, {250, 354}},
      {{{100, 190}, {200, 40}}, {44, 181}},  // (200-313)/2 = -56, (40-59)/2 = -9
      {{{-50, -20}, {314, 60}}, {-50, -20}},
      {{{0, 0}, {313, 59}}, {0, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(ui::CentredOver(c.owner, own), c.expected);
}

}  // namespace
