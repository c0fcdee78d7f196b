#include "sim_virtual_clock.h"

void VirtualClock::SleepUntil(std::optional<Time> until,
                              std::span<const driver::WakeEvent* const> events) {
  if (!until) {
    driver::WaitForAny(events, std::nullopt);
    return;
  }
  Time::rep now = now_.load();
  while (now < until->count() && !now_.compare_exchange_weak(now, until->count())) {
  }
}
