#include <windows.h>

#include "support/cpu_time.h"

namespace test_support {

namespace {

using Times = BOOL (*)(HANDLE, FILETIME*, FILETIME*, FILETIME*, FILETIME*);

// Kernel and user time together; FILETIME counts 100 ns steps.
std::chrono::microseconds CpuTimeOf(Times times, HANDLE who) {
  FILETIME created{}, exited{}, kernel{}, user{};
  times(who, &created, &exited, &kernel, &user);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return std::chrono::microseconds((ticks(kernel) + ticks(user)) / 10);
}

}  // namespace

std::chrono::microseconds ThreadCpuTime() { return CpuTimeOf(::GetThreadTimes, ::GetCurrentThread()); }

std::chrono::microseconds ProcessCpuTime() { return CpuTimeOf(::GetProcessTimes, ::GetCurrentProcess()); }

}  // namespace test_support
