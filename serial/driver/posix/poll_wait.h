#pragma once

#include <poll.h>

#include <chrono>
#include <optional>

namespace driver {

// poll() with a deadline measured on the monotonic clock: retries EINTR with the time
// that is left, and takes nanosecond timeouts (rounded up, so it never wakes early).
// No timeout means no limit. Returns poll's result (0 on time-out, -1 with errno).
int PollFor(pollfd* fds, nfds_t count, std::optional<std::chrono::nanoseconds> timeout);

}  // namespace driver
