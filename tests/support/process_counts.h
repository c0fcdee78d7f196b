#pragma once

#include <cstddef>

// What a process holds that a leak makes grow: open descriptors, threads, resident memory.
struct ProcessCounts {
  int descriptors = 0;
  int threads = 0;
  std::size_t residentKiB = 0;

  static ProcessCounts Now();
};
