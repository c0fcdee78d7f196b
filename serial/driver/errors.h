#pragma once

// The error numbers the seam's contract names, in the platform's own numbering: errno
// values on Linux, Windows' error codes on Windows (posix/errors.cpp, win32/errors.cpp).
// Every backend reports these cases with them, so the component and its messages see
// one numbering per platform.
namespace driver {

extern const int kCancelled;  // a transfer or event wait ended by an abort or a close
extern const int kClosed;     // a call on a device that was closed
extern const int kMissing;    // no such port (a port held by another program: BusyError)

}  // namespace driver
