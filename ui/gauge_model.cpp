#include "ui/gauge_model.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace ui {

int GaugeModel::Percent() const {
  if (max_ == kMin) return 0;
  // 64 bits: 100 x position overflows an int long before position does.
  return static_cast<int>(std::int64_t{100} * (position_ - kMin) / (max_ - kMin));
}

bool GaugeModel::SetMax(int value) {
  if (value < kMin)
    throw std::runtime_error("Maximum de la jauge hors limites : " + std::to_string(value) +
                             " (minimum " + std::to_string(kMin) + ")");
  if (value == max_) return false;
  max_ = value;
  position_ = std::min(position_, max_);
  return true;
}

bool GaugeModel::SetPosition(int value) {
  const int before = Percent();
  position_ = std::clamp(value, kMin, max_);
  return Percent() != before;
}

}  // namespace ui
