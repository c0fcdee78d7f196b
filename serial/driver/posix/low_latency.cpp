#include "serial/driver/posix/low_latency.h"

#include <sys/ioctl.h>

#include <cerrno>

namespace driver::posix {

namespace {

// Rewrites the driver's settings with the flag set or cleared; false when they stay as
// they were, also when they already had it so.
bool ChangeFlag(SerialInfo& driver, bool on) {
  serial_struct info{};
  if (driver.Get(info) != 0) return false;
  const bool isOn = (info.flags & ASYNC_LOW_LATENCY) != 0;
  if (isOn == on) return false;
  info.flags ^= ASYNC_LOW_LATENCY;
  return driver.Set(info) == 0;
}

}  // namespace

int TtySerialInfo::Get(serial_struct& info) {
  return ::ioctl(fd_, TIOCGSERIAL, &info) == 0 ? 0 : errno;
}

int TtySerialInfo::Set(const serial_struct& info) {
  return ::ioctl(fd_, TIOCSSERIAL, &info) == 0 ? 0 : errno;
}

void LowLatency::Ask(SerialInfo& driver) {
  if (ChangeFlag(driver, true)) setHere_ = true;
}

void LowLatency::End(SerialInfo& driver) {
  if (setHere_.exchange(false)) ChangeFlag(driver, false);
}

}  // namespace driver::posix
