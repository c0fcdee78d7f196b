#include "serial/driver/posix/line_counters.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "serial/driver/records.h"

namespace driver::posix {

namespace {

int QueueCount(int fd, unsigned long request, std::uint32_t& count) {
  int value = 0;
  if (::ioctl(fd, request, &value) != 0) return errno;
  count = static_cast<std::uint32_t>(value);
  return 0;
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
  std::uint32_t flags = 0;
  if (after.frame != before.frame) flags |= CE_FRAME;
  if (after.parity != before.parity) flags |= CE_RXPARITY;
  if (after.overrun != before.overrun) flags |= CE_OVERRUN;
  if (after.brk != before.brk) flags |= CE_BREAK;
  if (after.bufOverrun != before.bufOverrun) flags |= CE_RXOVER;
  return flags;
}

std::uint32_t ModemEventsBetween(const LineCounters& before, const LineCounters& after) {
  std::uint32_t events = 0;
  if (after.cts != before.cts) events |= EV_CTS;
  if (after.dsr != before.dsr) events |= EV_DSR;
  if (after.rng != before.rng) events |= EV_RING;
  if (after.dcd != before.dcd) events |= EV_RLSD;
  return events;
}

int InputQueued(int fd, std::uint32_t& count) { return QueueCount(fd, FIONREAD, count); }

int OutputQueued(int fd, std::uint32_t& count) { return QueueCount(fd, TIOCOUTQ, count); }

}  // namespace driver::posix
