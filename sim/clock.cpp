#include "sim/clock.h"

#include <cmath>
#include <stdexcept>

namespace driver::sim {

ScaledClock::ScaledClock(double speedFactor)
    : epoch_(std::chrono::steady_clock::now()), factor_(speedFactor) {
  if (!(speedFactor > 0) || !std::isfinite(speedFactor))
    throw std::invalid_argument("The speed factor of a simulated reader must be above 0");
}

Time ScaledClock::Now() const {
  const auto real = std::chrono::steady_clock::now() - epoch_;
  return Time(static_cast<Time::rep>(static_cast<double>(Time(real).count()) * factor_));
}

void ScaledClock::SleepUntil(std::optional<Time> until, std::span<const WakeEvent* const> events) {
  std::optional<std::chrono::nanoseconds> realTimeout;
  if (until) {
    const double left = static_cast<double>((*until - Now()).count());
    realTimeout = std::chrono::nanoseconds(
        left > 0 ? static_cast<std::int64_t>(std::ceil(left / factor_)) : 0);
  }
  WaitForAny(events, realTimeout);
}

}  // namespace driver::sim
