#include <windows.h>

#include "support/cpu_time.h"

namespace test_support {

namespace {

// Kernel plus user time, in the 100 ns ticks of a FILETIME.
std::chrono::microseconds Total(const FILETIME& kernel, const FILETIME& user) {
  const auto ticks = [](const FILETIME& t) {
    return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return std::chrono::microseconds((ticks(kernel) + ticks(user)) / 10);
}

}  // namespace

std::chrono::microseconds ThreadCpuTime() {
  FILETIME created, exited, kernel, user;
  if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)) return {};
  return Total(kernel, user);
}

std::chrono::microseconds ProcessCpuTime() {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return {};
  return Total(kernel, user);
}

}  // namespace test_support
