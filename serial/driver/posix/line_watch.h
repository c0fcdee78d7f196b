#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "serial/driver/event.h"
#include "serial/driver/posix/line_counters.h"

namespace driver::posix {

// The modem input lines of a device, as the line watch needs them.
class ModemLineSource {
 public:
  virtual ~ModemLineSource() = default;
  virtual int ReadCounters(LineCounters& counters) = 0;
  // Blocks until one of the TIOCM_* `lines` changes: 0, EINTR when the calling thread
  // was signalled, or the errno of a failure.
  virtual int WaitForChange(int lines) = 0;
};

// The lines of a tty (TIOCGICOUNT, TIOCMIWAIT), or none when it has no modem-control
// lines or keeps no counters for them (a pseudo-terminal).
std::unique_ptr<ModemLineSource> TtyModemLines(int fd);

// The real-time signal that ends a line watch's wait in the kernel. It is sent to a
// watch thread only; its handler does nothing and restarts no call.
int LineWatchSignal();

// A thread that sleeps in the kernel until a selected modem line moves, then sets
// `moved`; the event wait learns from the counters which lines moved. A change that
// falls between one look at the counters and the next entry into the kernel's wait is
// still counted, but wakes nobody until some selected line moves again.
class LineWatch {
 public:
  // `events`: the EV_CTS, EV_DSR, EV_RING and EV_RLSD to watch for, at least one.
  LineWatch(ModemLineSource& source, std::uint32_t events, WakeEvent& moved);
  // Ends the wait at once and joins the thread.
  ~LineWatch();
  LineWatch(const LineWatch&) = delete;
  LineWatch& operator=(const LineWatch&) = delete;

  std::uint32_t Events() const { return events_; }

 private:
  void Run();
  // Wakes the event wait when a selected line moved since `seen`; false on a failure.
  bool Look(LineCounters& seen);

  ModemLineSource& source_;
  const std::uint32_t events_;
  WakeEvent& moved_;
  std::atomic<bool> stop_{false};
  WakeEvent ended_;
  std::thread thread_;
};

}  // namespace driver::posix
