#include "serial/driver/errors.h"

#include "serial/driver/win32/windows_api.h"

namespace driver {

const int kCancelled = ERROR_OPERATION_ABORTED;
const int kClosed = ERROR_INVALID_HANDLE;
const int kMissing = ERROR_FILE_NOT_FOUND;

}  // namespace driver
