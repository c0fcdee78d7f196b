#pragma once

#include <cstdint>

namespace driver::posix {

// The kernel's running totals of a serial line (TIOCGICOUNT), wrapping at 2^32. A
// device without them (a pseudo-terminal) reads as all zero with `available` false.
struct LineCounters {
  bool available = false;
  // Transitions of the modem input lines; `rng` counts the trailing edge of a ring on
  // a 16550 UART, where Windows reports EV_RING too.
  std::uint32_t cts = 0;
  std::uint32_t dsr = 0;
  std::uint32_t rng = 0;
  std::uint32_t dcd = 0;
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

// The EV_CTS, EV_DSR, EV_RING and EV_RLSD events of the lines that moved between two
// readings.
std::uint32_t ModemEventsBetween(const LineCounters& before, const LineCounters& after);

// Bytes waiting in the input queue (FIONREAD) and the output queue (TIOCOUTQ).
int InputQueued(int fd, std::uint32_t& count);
int OutputQueued(int fd, std::uint32_t& count);

}  // namespace driver::posix
