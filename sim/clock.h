#pragma once

#include <chrono>
#include <optional>
#include <span>

#include "serial/driver/event.h"

namespace driver::sim {

// Simulated time since the simulation started. The line runs on it, and so do the
// time-outs of its transfers: a speed factor scales everything alike.
using Time = std::chrono::nanoseconds;
inline constexpr Time kNever = Time::max();

// Where simulated time comes from and how a thread waits for it.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual Time Now() const = 0;
  // Blocks until simulated time `until` (no limit when empty) or until one of `events`
  // is set, whichever comes first.
  virtual void SleepUntil(std::optional<Time> until, std::span<const WakeEvent* const> events) = 0;
};

// Real time multiplied by a speed factor: 1 is real time, 100 a hundred times faster.
class ScaledClock : public Clock {
 public:
  explicit ScaledClock(double speedFactor);
  Time Now() const override;
  void SleepUntil(std::optional<Time> until, std::span<const WakeEvent* const> events) override;

 private:
  std::chrono::steady_clock::time_point epoch_;
  double factor_;
};

}  // namespace driver::sim
