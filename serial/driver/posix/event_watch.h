#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "common/unique_fd.h"
#include "serial/driver/event.h"
#include "serial/driver/posix/channel.h"
#include "serial/driver/posix/line_counters.h"
#include "serial/driver/posix/line_watch.h"

namespace driver::posix {

// The line events of one tty, found without polling: an edge-triggered epoll set wakes
// the wait on every arrival and every drain of the output queue, a line watch thread
// wakes it when a selected modem line moves, and the kernel's counters decide what
// happened, so bytes left unread are not reported again and again.
//
// Every event but EV_RXFLAG is reported: a tty cannot look at a byte without taking
// it. Modem-line changes (EV_CTS, EV_DSR, EV_RLSD, EV_RING) need a device with modem
// lines and their counters; a pseudo-terminal has neither and reports none.
class EventWatch {
 public:
  EventWatch() = default;
  ~EventWatch();
  EventWatch(const EventWatch&) = delete;
  EventWatch& operator=(const EventWatch&) = delete;

  // Starts watching an open descriptor: 0 or an errno. The descriptor must stay open
  // until Close.
  int Attach(int fd, const Channel& channel);
  void SetInputSize(std::uint32_t bytes);
  // Starts, changes or ends the line watch as the modem-line events in the mask ask.
  // The caller ends the pending waits (Channel::Cancel) after the change.
  void SetMask(std::uint32_t mask);
  // WaitEvent of the device: see driver::Device.
  int Wait(Channel& channel, std::uint32_t& occurred, const WakeEvent& stop);
  // Ends the line watch for good; before the descriptor is closed.
  void Close();

 private:
  int WaitLeased(int fd, Channel& channel, Waiter& waiter, std::uint32_t& occurred,
                 const WakeEvent& stop);
  // What happened since the last look, all of it, selected or not.
  int Evaluate(int fd, Channel& channel, std::uint32_t& found);
  int DrainEdges();
  bool ReceivedSince(const LineCounters& now, std::uint64_t consumed, std::uint32_t queued);
  bool BecameNearlyFull(std::uint32_t queued);

  std::mutex mutex_;
  UniqueFd epoll_;
  std::uint32_t mask_ = 0;
  std::uint32_t inputSize_ = 0;
  LineCounters counters_;
  std::uint64_t received_ = 0;  // bytes ever arrived, where the device has no counter
  bool nearlyFull_ = false;
  bool writePending_ = false;

  // Held while the line watch starts or stops; its thread takes no lock.
  std::mutex watchMutex_;
  bool closed_ = false;
  WakeEvent linesMoved_;
  std::unique_ptr<ModemLineSource> modemLines_;  // none on a device without them
  std::unique_ptr<LineWatch> lineWatch_;         // while a modem-line event is selected
};

}  // namespace driver::posix
