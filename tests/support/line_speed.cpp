// Only the kernel's termios2 header here: it cannot share a file with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <system_error>

namespace test_support {

unsigned OutputSpeedOf(int fd) {
  termios2 attributes{};
  if (::ioctl(fd, TCGETS2, &attributes) != 0) {
    throw std::system_error(errno, std::generic_category(), "TCGETS2");
  }
  return attributes.c_ospeed;
}

}  // namespace test_support
