#include "serial/driver/errors.h"

#include <cerrno>

namespace driver {

const int kCancelled = ECANCELED;
const int kClosed = EBADF;
const int kMissing = ENOENT;

}  // namespace driver
