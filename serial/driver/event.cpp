#include "serial/driver/event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <system_error>

#include "serial/driver/poll_wait.h"

namespace driver {

WakeEvent::WakeEvent(bool initiallySet) : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  if (!fd_.IsOpen()) throw std::system_error(errno, std::generic_category(), "eventfd");
  if (initiallySet) Set();
}

// The counter stays at 1 while set, so the descriptor stays readable for every poller.
void WakeEvent::Set() {
  if (IsSet()) return;
  const std::uint64_t one = 1;
  (void)!::write(Fd(), &one, sizeof one);
}

void WakeEvent::Reset() {
  std::uint64_t value = 0;
  (void)!::read(Fd(), &value, sizeof value);
}

bool WakeEvent::IsSet() const {
  pollfd p{Fd(), POLLIN, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

bool WakeEvent::Wait(std::optional<std::chrono::nanoseconds> timeout) const {
  pollfd p{Fd(), POLLIN, 0};
  PollFor(&p, 1, timeout);
  return IsSet();
}

}  // namespace driver
