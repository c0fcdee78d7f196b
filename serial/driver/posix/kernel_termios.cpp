// Only the kernel's header here: its struct termios clashes with glibc's <termios.h>.
#include "serial/driver/posix/kernel_termios.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <iterator>

namespace driver::posix {

static_assert(NCCS == kControlChars, "termios2 holds the kernel's control characters");

namespace {

int Get(int fd, termios2& attributes) { return ::ioctl(fd, TCGETS2, &attributes) == 0 ? 0 : errno; }

unsigned DataBits(unsigned cflag) {
  switch (cflag & CSIZE) {
    case CS5:
      return 5;
    case CS6:
      return 6;
    case CS7:
      return 7;
    default:
      return 8;
  }
}

int Set(int fd, const termios2& attributes) {
  return ::ioctl(fd, TCSETS2, &attributes) == 0 ? 0 : errno;
}

template <typename Edit>
int Change(int fd, Edit edit) {
  termios2 attributes{};
  if (const int error = Get(fd, attributes)) return error;
  edit(attributes);
  return Set(fd, attributes);
}

}  // namespace

int MakeRaw(int fd) {
  return Change(fd, [](termios2& t) {
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | PARENB);
    t.c_cflag |= CS8 | CREAD | CLOCAL;
    t.c_cc[VMIN] = kRawMinimum;
    t.c_cc[VTIME] = 0;
  });
}

// A UART makes the speed it can from its clock; one too far from the asked speed is
// refused, and the line is put back as it was, as a driver that refuses a group keeps it.
int ApplyLineSettings(int fd, const LineSettings& settings) {
  termios2 before{};
  if (const int error = Get(fd, before)) return error;
  termios2 t = before;
  t.c_iflag = settings.iflag;
  t.c_oflag = settings.oflag;
  t.c_cflag = settings.cflag;
  t.c_lflag = settings.lflag;
  std::copy(std::begin(settings.cc), std::end(settings.cc), t.c_cc);
  // The speed in bits/s goes with its code too: a driver that does not work the code
  // out again (a pty) would otherwise keep reporting an earlier custom speed.
  if ((t.c_cflag & CBAUD) == B0) t.c_cflag |= BOTHER;
  t.c_ispeed = settings.speed;
  t.c_ospeed = settings.speed;
  if (const int error = Set(fd, t)) return error;
  termios2 granted{};
  if (const int error = Get(fd, granted)) return error;
  if (SpeedGranted(settings.speed, granted.c_ospeed)) return 0;
  Set(fd, before);
  return EINVAL;
}

std::chrono::nanoseconds CharacterTimeOf(int fd) {
  termios2 attributes{};
  if (Get(fd, attributes) != 0 || attributes.c_ospeed == 0) {
    return std::chrono::nanoseconds::zero();
  }
  const unsigned cflag = attributes.c_cflag;
  const unsigned bits =
      1 + DataBits(cflag) + ((cflag & PARENB) ? 1 : 0) + ((cflag & CSTOPB) ? 2 : 1);
  return std::chrono::nanoseconds(std::int64_t{bits} * 1'000'000'000 / attributes.c_ospeed);
}

}  // namespace driver::posix
