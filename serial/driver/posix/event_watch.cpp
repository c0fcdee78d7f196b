#include "serial/driver/posix/event_watch.h"

#include <poll.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

#include "serial/driver/posix/poll_wait.h"

namespace driver::posix {

namespace {

constexpr std::uint32_t kModemLineEvents = EV_CTS | EV_DSR | EV_RING | EV_RLSD;

}  // namespace

EventWatch::~EventWatch() {
  Close();
}

int EventWatch::Attach(int fd, const Channel& channel) {
  epoll_.Reset(::epoll_create1(EPOLL_CLOEXEC));
  if (!epoll_.IsOpen()) return errno;
  epoll_event watched{};
  watched.events = EPOLLIN | EPOLLOUT | EPOLLET;
  if (::epoll_ctl(epoll_.Get(), EPOLL_CTL_ADD, fd, &watched) != 0) return errno;
  std::uint32_t queued = 0;
  if (const int error = InputQueued(fd, queued)) return error;
  received_ = channel.Consumed() + queued;
  modemLines_ = TtyModemLines(fd);
  return ReadLineCounters(fd, counters_);
}

void EventWatch::SetInputSize(std::uint32_t bytes) {
  std::lock_guard lock(mutex_);
  inputSize_ = bytes;
}

void EventWatch::SetMask(std::uint32_t mask) {
  std::lock_guard watchLock(watchMutex_);
  {
    std::lock_guard lock(mutex_);
    mask_ = mask;
  }
  const std::uint32_t lines = mask & kModemLineEvents;
  if (closed_ || !modemLines_ || lines == (lineWatch_ ? lineWatch_->Events() : 0)) return;
  lineWatch_.reset();
  if (lines != 0) lineWatch_ = std::make_unique<LineWatch>(*modemLines_, lines, linesMoved_);
}

void EventWatch::Close() {
  std::lock_guard lock(watchMutex_);
  closed_ = true;
  lineWatch_.reset();
}

int EventWatch::Wait(Channel& channel, std::uint32_t& occurred, const WakeEvent& stop) {
  occurred = 0;
  Channel::Lease lease(channel);
  if (!lease) return EBADF;
  Waiter waiter(WaitKind::Event);
  channel.Add(waiter);
  const int result = WaitLeased(lease.Fd(), channel, waiter, occurred, stop);
  channel.Remove(waiter);
  return result;
}

int EventWatch::WaitLeased(int fd, Channel& channel, Waiter& waiter, std::uint32_t& occurred,
                           const WakeEvent& stop) {
  for (;;) {
    // Cancelled by a new mask (no event, no error, as Windows answers) or by the close.
    if (waiter.cancel.IsSet()) return channel.IsClosed() ? ECANCELED : 0;
    if (stop.IsSet()) return ECANCELED;
    {
      std::lock_guard lock(mutex_);
      std::uint32_t found = 0;
      if (const int error = Evaluate(fd, channel, found)) return error;
      occurred = found & mask_;
    }
    if (occurred != 0) return 0;
    pollfd fds[] = {{epoll_.Get(), POLLIN, 0},
                    {waiter.cancel.Native(), POLLIN, 0},
                    {stop.Native(), POLLIN, 0},
                    {channel.Written().Native(), POLLIN, 0},
                    {linesMoved_.Native(), POLLIN, 0}};
    if (PollFor(fds, std::size(fds), std::nullopt) < 0) return errno;
  }
}

int EventWatch::Evaluate(int fd, Channel& channel, std::uint32_t& found) {
  found = 0;
  // Before the counters are read: a line that moves after this wakes the wait again.
  linesMoved_.Reset();
  if (const int error = DrainEdges()) return error;
  // Consumed before queued: a read between the two can then only hide bytes for a
  // moment, never count them twice.
  const std::uint64_t consumed = channel.Consumed();
  std::uint32_t queued = 0;
  if (const int error = InputQueued(fd, queued)) return error;
  LineCounters now;
  if (const int error = ReadLineCounters(fd, now)) return error;

  if (ReceivedSince(now, consumed, queued)) found |= EV_RXCHAR;
  const std::uint32_t errors = ErrorFlagsBetween(counters_, now);
  if (errors & (CE_FRAME | CE_OVERRUN | CE_RXPARITY)) found |= EV_ERR;
  if (errors & CE_BREAK) found |= EV_BREAK;
  found |= ModemEventsBetween(counters_, now);
  counters_ = now;
  if (BecameNearlyFull(queued)) found |= EV_RX80FULL;

  if (channel.TakeWritten()) writePending_ = true;
  if (writePending_) {
    std::uint32_t outgoing = 0;
    if (const int error = OutputQueued(fd, outgoing)) return error;
    if (outgoing == 0) {
      found |= EV_TXEMPTY;
      writePending_ = false;
    }
  }
  return 0;
}

// Consumes the wake-ups. A hang-up is reported once only by an edge-triggered set, so
// it ends the wait with an error rather than leave it asleep for good.
int EventWatch::DrainEdges() {
  epoll_event edges[4];
  for (;;) {
    const int n = ::epoll_wait(epoll_.Get(), edges, std::size(edges), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return 0;
    for (int i = 0; i < n; ++i) {
      if (edges[i].events & (EPOLLHUP | EPOLLERR)) return EIO;
    }
  }
}

bool EventWatch::ReceivedSince(const LineCounters& now, std::uint64_t consumed,
                               std::uint32_t queued) {
  if (now.available) return now.rx != counters_.rx;
  const std::uint64_t total = consumed + queued;
  if (total <= received_) return false;
  received_ = total;
  return true;
}

bool EventWatch::BecameNearlyFull(std::uint32_t queued) {
  const bool full = inputSize_ > 0 && std::uint64_t{queued} * 5 >= std::uint64_t{inputSize_} * 4;
  const bool became = full && !nearlyFull_;
  nearlyFull_ = full;
  return became;
}

}  // namespace driver::posix
