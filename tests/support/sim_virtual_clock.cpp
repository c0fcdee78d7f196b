#include "sim_virtual_clock.h"

#include "serial/driver/poll_wait.h"

void VirtualClock::SleepUntil(std::optional<Time> until, pollfd* fds, nfds_t count) {
  if (!until) {
    driver::PollFor(fds, count, std::nullopt);
    return;
  }
  Time::rep now = now_.load();
  while (now < until->count() && !now_.compare_exchange_weak(now, until->count())) {
  }
}
