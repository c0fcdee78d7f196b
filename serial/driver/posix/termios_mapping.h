#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>

#include "serial/driver/records.h"

namespace driver::posix {

// What a DCB asks of a Linux tty: the attributes in raw mode, a speed that has no B
// constant (set separately through termios2), and the levels to drive on DTR and RTS
// (unset while the kernel owns the line, as with hardware handshake).
struct LineSettings {
  termios attributes{};
  std::uint32_t customSpeed = 0;
  std::optional<bool> dtr;
  std::optional<bool> rts;
};

// Maps a DCB onto termios. Returns 0, or EINVAL for what a Linux tty cannot do; the
// settings are then left undefined. Pure: no device is touched.
int MapDcb(const DCB& dcb, LineSettings& settings);

}  // namespace driver::posix
