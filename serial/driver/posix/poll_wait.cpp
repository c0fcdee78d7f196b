#include "serial/driver/posix/poll_wait.h"

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "serial/driver/deadline.h"

namespace driver {

using Clock = WaitClock;

int PollFor(pollfd* fds, nfds_t count, std::optional<std::chrono::nanoseconds> timeout) {
  const auto deadline = timeout ? DeadlineAfter(*timeout) : Clock::time_point::max();
  for (;;) {
    timespec ts{};
    timespec* tsp = nullptr;
    if (timeout) {
      const auto left = std::max(deadline - Clock::now(), Clock::duration::zero());
      const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
      ts.tv_sec = static_cast<time_t>(ns / 1000000000);
      ts.tv_nsec = static_cast<long>(ns % 1000000000);
      tsp = &ts;
    }
    const int rc = ::ppoll(fds, count, tsp, nullptr);
    if (rc >= 0 || errno != EINTR) return rc;
  }
}

}  // namespace driver
