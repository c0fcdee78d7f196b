#pragma once

#include <atomic>

#include "sim/clock.h"

// Simulated time that passes only when asked: a thread that would sleep until a moment
// finds the clock there at once. Exact and instant for tests driven from one thread.
class VirtualClock : public driver::sim::Clock {
 public:
  using Time = driver::sim::Time;

  Time Now() const override { return Time(now_.load()); }
  void SleepUntil(std::optional<Time> until, std::span<const driver::WakeEvent* const> events) override;
  void Advance(Time by) { now_ += by.count(); }

 private:
  std::atomic<Time::rep> now_{0};
};
