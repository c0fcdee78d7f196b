#pragma once

#include <chrono>

#include "serial/driver/posix/termios_mapping.h"

namespace driver::posix {

// The termios calls of the backend, made straight through the kernel's termios2
// ioctls: one call sets any speed, and a request the driver keeps only part of is not
// taken for a refusal (glibc's tcsetattr fails when a pty, which drops parity enable,
// is sent the same line group twice). Each returns 0 or the errno.

// Raw mode until the line group arrives: no echo, no line editing, no translation.
int MakeRaw(int fd);
// Sets the flags, the control characters and the speed in one call; the line
// discipline stays.
int ApplyLineSettings(int fd, const LineSettings& settings);
// The character time of a tty's line settings: start, data, parity and stop bits at its
// output speed. Zero when the speed is not known.
std::chrono::nanoseconds CharacterTimeOf(int fd);

}  // namespace driver::posix
