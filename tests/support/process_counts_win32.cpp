#include <windows.h>
// after windows.h
#include <psapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "process_counts.h"

namespace {

int ThreadsOfThisProcess() {
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  const DWORD self = ::GetCurrentProcessId();
  int count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == self) ++count;
  ::CloseHandle(snapshot);
  return count;
}

int HandlesOfThisProcess() {
  DWORD count = 0;
  return ::GetProcessHandleCount(::GetCurrentProcess(), &count) ? static_cast<int>(count) : -1;
}

std::size_t ResidentKiB() {
  PROCESS_MEMORY_COUNTERS counters{};
  return ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)
             ? counters.WorkingSetSize / 1024
             : 0;
}

}  // namespace

ProcessCounts ProcessCounts::Now() {
  return {HandlesOfThisProcess(), ThreadsOfThisProcess(), ResidentKiB()};
}
