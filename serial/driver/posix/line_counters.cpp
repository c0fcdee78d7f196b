#include "serial/driver/posix/line_counters.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <initializer_list>

#include "serial/driver/records.h"

namespace driver::posix {

namespace {

int QueueCount(int fd, unsigned long request, std::uint32_t& count) {
  int value = 0;
  if (::ioctl(fd, request, &value) != 0) return errno;
  count = static_cast<std::uint32_t>(value);
  return 0;
}

struct CounterFlag {
  std::uint32_t LineCounters::*counter;
  std::uint32_t flag;
};

// The flags of the counters that differ between two readings.
std::uint32_t FlagsOfMoved(std::initializer_list<CounterFlag> counters,
                           const LineCounters& before, const LineCounters& after) {
  std::uint32_t flags = 0;
  for (const CounterFlag& c : counters) {
    if (after.*c.counter != before.*c.counter) flags |= c.flag;
  }
  return flags;
}

}  // namespace

int ReadLineCounters(int fd, LineCounters& counters) {
  counters = LineCounters{};
  serial_icounter_struct icount{};
  if (::ioctl(fd, TIOCGICOUNT, &icount) != 0) {
    return errno == ENOTTY || errno == EINVAL ? 0 : errno;
  }
  counters.available = true;
  counters.cts = static_cast<std::uint32_t>(icount.cts);
  counters.dsr = static_cast<std::uint32_t>(icount.dsr);
  counters.rng = static_cast<std::uint32_t>(icount.rng);
  counters.dcd = static_cast<std::uint32_t>(icount.dcd);
  counters.rx = static_cast<std::uint32_t>(icount.rx);
  counters.frame = static_cast<std::uint32_t>(icount.frame);
  counters.parity = static_cast<std::uint32_t>(icount.parity);
  counters.overrun = static_cast<std::uint32_t>(icount.overrun);
  counters.brk = static_cast<std::uint32_t>(icount.brk);
  counters.bufOverrun = static_cast<std::uint32_t>(icount.buf_overrun);
  return 0;
}

std::uint32_t ErrorFlagsBetween(const LineCounters& before, const LineCounters& after) {
  return FlagsOfMoved({{&LineCounters::frame, CE_FRAME},
                       {&LineCounters::parity, CE_RXPARITY},
                       {&LineCounters::overrun, CE_OVERRUN},
                       {&LineCounters::brk, CE_BREAK},
                       {&LineCounters::bufOverrun, CE_RXOVER}},
                      before, after);
}

std::uint32_t ModemEventsBetween(const LineCounters& before, const LineCounters& after) {
  return FlagsOfMoved({{&LineCounters::cts, EV_CTS},
                       {&LineCounters::dsr, EV_DSR},
                       {&LineCounters::rng, EV_RING},
                       {&LineCounters::dcd, EV_RLSD}},
                      before, after);
}

int InputQueued(int fd, std::uint32_t& count) { return QueueCount(fd, FIONREAD, count); }

int OutputQueued(int fd, std::uint32_t& count) { return QueueCount(fd, TIOCOUTQ, count); }

}  // namespace driver::posix
