#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>
#include <vector>

#include "serial/driver/event.h"
#include "serial/driver/posix/poll_wait.h"

namespace driver {

WakeEvent::WakeEvent(bool initiallySet) : handle_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  if (handle_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  if (initiallySet) Set();
}

WakeEvent::~WakeEvent() { ::close(handle_); }

// The counter stays at 1 while set, so the descriptor stays readable for every poller.
void WakeEvent::Set() {
  if (IsSet()) return;
  const std::uint64_t one = 1;
  (void)!::write(handle_, &one, sizeof one);
}

void WakeEvent::Reset() {
  std::uint64_t value = 0;
  (void)!::read(handle_, &value, sizeof value);
}

bool WakeEvent::IsSet() const {
  pollfd p{handle_, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

void WaitForAny(std::span<const WakeEvent* const> events,
                std::optional<std::chrono::nanoseconds> timeout) {
  std::vector<pollfd> fds;
  for (const WakeEvent* event : events)
    if (event) fds.push_back({event->Native(), POLLIN, 0});
  PollFor(fds.data(), fds.size(), timeout);
}

}  // namespace driver
