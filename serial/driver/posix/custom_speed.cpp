#include "serial/driver/posix/custom_speed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace driver::posix {

int SetCustomSpeed(int fd, std::uint32_t bitsPerSecond) {
  termios2 attributes{};
  if (::ioctl(fd, TCGETS2, &attributes) != 0) return errno;
  attributes.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  attributes.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  attributes.c_ispeed = bitsPerSecond;
  attributes.c_ospeed = bitsPerSecond;
  if (::ioctl(fd, TCSETS2, &attributes) != 0) return errno;
  return 0;
}

}  // namespace driver::posix
