#include "process_counts.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

// ThreadSanitizer starts a helper thread of its own when the process starts its first
// thread. One thread started and ended before the first count keeps that helper out of
// every comparison.
void LetSanitizersStartTheirThreads() {
  static const bool started = [] {
    std::thread([] {}).join();
    return true;
  }();
  (void)started;
}

// Entries of a /proc folder. The walk's own descriptor is among them every time alike.
int EntriesIn(const char* folder) {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

std::size_t ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      std::size_t kib = 0;
      status >> kib;
      return kib;
    }
    status.ignore(1 << 16, '\n');
  }
  return 0;
}

}  // namespace

ProcessCounts ProcessCounts::Now() {
  LetSanitizersStartTheirThreads();
  return {EntriesIn("/proc/self/fd"), EntriesIn("/proc/self/task"), ResidentKiB()};
}
