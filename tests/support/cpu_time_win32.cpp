#include <windows.h>

#include "support/cpu_time.h"

namespace test_support {

namespace {

double Seconds(const FILETIME& time) {
  const ULONGLONG ticks = (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return double(ticks) / 1e7;  // 100 ns ticks
}

}  // namespace

std::chrono::duration<double> ProcessCpuTime() {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return {};
  return std::chrono::duration<double>(Seconds(kernel) + Seconds(user));
}

}  // namespace test_support
