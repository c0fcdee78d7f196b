#include "serial/driver/posix/channel.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include "serial/driver/posix/output_drain.h"

namespace driver::posix {

Channel::Channel(int fd) : fd_(fd) {}

Channel::~Channel() { Close(); }

Channel::Lease::Lease(Channel& channel) : channel_(channel) {
  std::lock_guard lock(channel_.mutex_);
  valid_ = !channel_.closed_;
  if (valid_) ++channel_.users_;
}

Channel::Lease::~Lease() {
  if (!valid_) return;
  std::lock_guard lock(channel_.mutex_);
  if (--channel_.users_ == 0) channel_.idle_.notify_all();
}

void Channel::Add(Waiter& waiter) {
  std::lock_guard lock(mutex_);
  waiters_.insert(&waiter);
  if (closed_) waiter.cancel.Set();
}

void Channel::Remove(Waiter& waiter) {
  std::lock_guard lock(mutex_);
  waiters_.erase(&waiter);
}

void Channel::Cancel(WaitKind kind) {
  std::lock_guard lock(mutex_);
  for (Waiter* waiter : waiters_) {
    if (waiter->kind == kind) waiter->cancel.Set();
  }
}

bool Channel::IsClosed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

// A write ends once its bytes have left or been taken back, so what is still queued
// belongs to a cancelled one. Discarded, it cannot hold the kernel's close for the drain
// (30 s by default on a line held by flow control). Closed outside the lock all the
// same: once closed_ is set and the leases have run out, nothing else uses the descriptor.
void Channel::Close() {
  {
    std::unique_lock lock(mutex_);
    if (closed_) return;
    closed_ = true;
    for (Waiter* waiter : waiters_) waiter->cancel.Set();
    idle_.wait(lock, [this] { return users_ == 0; });
  }
  DiscardUnsent(fd_);
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);
}

COMMTIMEOUTS Channel::Timeouts() const {
  std::lock_guard lock(mutex_);
  return timeouts_;
}

void Channel::SetTimeouts(const COMMTIMEOUTS& timeouts) {
  std::lock_guard lock(mutex_);
  timeouts_ = timeouts;
}

void Channel::NoteWritten() {
  writePending_ = true;
  written_.Set();
}

bool Channel::TakeWritten() {
  written_.Reset();
  return writePending_.exchange(false);
}

}  // namespace driver::posix
