#pragma once

#include "serial/driver/win32/windows_api.h"

#include <chrono>
#include <optional>
#include <span>

namespace driver {

// WaitForMultipleObjects (any one) with a deadline on the monotonic clock: a wait that
// ends before the time is resumed, so it never wakes early. No timeout means no limit; no
// handles means a plain sleep. Returns the index of the handle that was signalled, or
// -1 on time-out or failure.
int WaitForHandles(std::span<const HANDLE> handles, std::optional<std::chrono::nanoseconds> timeout);

}  // namespace driver
