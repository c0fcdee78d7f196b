#include "serial/driver/win32/wait_time.h"

#include <algorithm>

namespace driver {

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point DeadlineAfter(std::chrono::nanoseconds timeout) {
  const auto now = Clock::now();
  return now + std::min<Clock::duration>(timeout, Clock::time_point::max() - now);
}

// Whole milliseconds, rounded down and kept below INFINITE. The system's waits end on a
// millisecond tick or later, so the last part of a wait is yielded away instead: a
// simulated line at real speed would otherwise lose up to a millisecond per exchange.
DWORD WholeMillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::max(deadline - Clock::now(), Clock::duration::zero());
  const auto ms = std::chrono::floor<std::chrono::milliseconds>(left).count();
  return static_cast<DWORD>(std::min<long long>(ms, INFINITE - 1));
}

}  // namespace

int WaitForHandles(std::span<const HANDLE> handles, std::optional<std::chrono::nanoseconds> timeout) {
  const auto deadline = timeout ? DeadlineAfter(*timeout) : Clock::time_point::max();
  for (;;) {
    const DWORD ms = timeout ? WholeMillisecondsUntil(deadline) : INFINITE;
    DWORD rc = WAIT_TIMEOUT;
    if (handles.empty())
      ::Sleep(ms);
    else
      rc = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, ms);
    if (rc < WAIT_OBJECT_0 + handles.size()) return static_cast<int>(rc - WAIT_OBJECT_0);
    if (rc != WAIT_TIMEOUT) return -1;
    if (timeout && Clock::now() >= deadline) return -1;
    if (ms == 0) ::SwitchToThread();
  }
}

}  // namespace driver
