#include "serial/driver/event.h"

namespace driver {

bool WakeEvent::Wait(std::optional<std::chrono::nanoseconds> timeout) const {
  const WakeEvent* self = this;
  WaitForAny({&self, 1}, timeout);
  return IsSet();
}

}  // namespace driver
