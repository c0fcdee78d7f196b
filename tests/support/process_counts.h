#pragma once

#include <cstddef>

// What a process holds that a leak makes grow: open descriptors, threads, resident memory.
struct ProcessCounts {
  int descriptors = 0;
  int threads = 0;
  std::size_t residentKiB = 0;

  static ProcessCounts Now();
};

// Fails the test when the process holds more or fewer descriptors or threads than
// `before`. A thread just joined may still be listed for a moment, so the counts get a
// few seconds to settle first.
void ExpectNoLeakSince(const ProcessCounts& before);
