#pragma once

// What a percentage gauge shows, apart from drawing: a position between the minimum 0 and
// a maximum, and the whole percentage it stands for. Shared by the window's gauge and the
// terminal progress bar so that both show the same number.
namespace ui {

class GaugeModel {
 public:
  static constexpr int kMin = 0;

  int Max() const { return max_; }
  int Position() const { return position_; }
  // Whole part of 100 x (position - min) / (max - min); 0 when max equals min.
  int Percent() const;

  // Refuses a maximum below the minimum with an error and changes nothing then. A
  // position above the new maximum is lowered to it. Returns whether the maximum changed.
  bool SetMax(int value);
  // Clamps `value` into [min, max]. Returns whether the percentage changed.
  bool SetPosition(int value);

 private:
  int max_ = 100;
  int position_ = kMin;
};

}  // namespace ui
