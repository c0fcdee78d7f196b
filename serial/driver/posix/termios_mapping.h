#pragma once

#include <cstdint>
#include <optional>

#include "serial/driver/records.h"

namespace driver::posix {

// The kernel's count of control characters (termios2), the first of glibc's 32.
inline constexpr int kControlChars = 19;

// VMIN in raw mode. With 0 (and VTIME 0) a tty reads an empty queue as end of file even
// in non-blocking mode; with 1 that is EAGAIN, and end of file means a vanished device.
inline constexpr std::uint8_t kRawMinimum = 1;

// What a DCB asks of a Linux tty, as the kernel takes it: the termios flags and
// control characters in raw mode, the speed, and the levels to drive on DTR and RTS (unset while the kernel owns the line, as with
// hardware handshake). Plain integers, so that the kernel's termios2 header, which
// cannot share a file with <termios.h>, can read it.
struct LineSettings {
  std::uint32_t iflag = 0;
  std::uint32_t oflag = 0;
  std::uint32_t cflag = 0;  // with the speed's B constant; none (B0) for other speeds
  std::uint32_t lflag = 0;
  std::uint8_t cc[kControlChars] = {};
  std::uint32_t speed = 0;  // bits per second
  std::optional<bool> dtr;
  std::optional<bool> rts;
};

// Maps a DCB onto termios. Returns 0, or EINVAL for what a Linux tty cannot do; the
// settings are then left undefined. Pure: no device is touched.
int MapDcb(const DCB& dcb, LineSettings& settings);

// Whether the speed a device made of the one asked for is close enough to it: a frame
// still reads correctly up to about 3 % off.
bool SpeedGranted(std::uint32_t asked, std::uint32_t granted);

}  // namespace driver::posix
