#pragma once

#include <cstdint>

namespace driver::posix {

// The kernel's running totals of a serial line (TIOCGICOUNT), wrapping at 2^32. A
// device without them (a pseudo-terminal) reads as all zero with `available` false.
struct LineCounters {
  bool available = false;
  std::uint32_t rx = 0;
  std::uint32_t frame = 0;
  std::uint32_t parity = 0;
  std::uint32_t overrun = 0;
  std::uint32_t brk = 0;
  std::uint32_t bufOverrun = 0;
};

// 0, or the errno of a failure other than "this device keeps no counters".
int ReadLineCounters(int fd, LineCounters& counters);

// The CE_* flags of the errors counted between two readings.
std::uint32_t ErrorFlagsBetween(const LineCounters& before, const LineCounters& after);

// Bytes waiting in the input queue (FIONREAD) and the output queue (TIOCOUTQ).
int InputQueued(int fd, std::uint32_t& count);
int OutputQueued(int fd, std::uint32_t& count);

}  // namespace driver::posix
