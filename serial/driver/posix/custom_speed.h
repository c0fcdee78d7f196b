#pragma once

#include <cstdint>

namespace driver::posix {

// Sets a line speed that has no B constant through termios2 and BOTHER, keeping every
// other attribute. Returns 0 or the errno of the refusal. Kept apart because the
// kernel's termios2 header cannot share a file with <termios.h>.
int SetCustomSpeed(int fd, std::uint32_t bitsPerSecond);

}  // namespace driver::posix
