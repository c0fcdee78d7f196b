#pragma once

#include <algorithm>
#include <chrono>

namespace driver {

using WaitClock = std::chrono::steady_clock;

// Now plus the timeout, held at the clock's end instead of wrapping into the past.
inline WaitClock::time_point DeadlineAfter(std::chrono::nanoseconds timeout) {
  const auto now = WaitClock::now();
  return now + std::min<WaitClock::duration>(timeout, WaitClock::time_point::max() - now);
}

}  // namespace driver
