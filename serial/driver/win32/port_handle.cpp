#include "serial/driver/win32/port_handle.h"

#include <chrono>

namespace driver::win32 {

PortHandle::~PortHandle() { Close(); }

PortHandle::Lease::Lease(PortHandle& port) : port_(port) {
  std::lock_guard lock(port_.mutex_);
  valid_ = !port_.closed_;
  if (valid_) ++port_.users_;
}

PortHandle::Lease::~Lease() {
  if (!valid_) return;
  std::lock_guard lock(port_.mutex_);
  if (--port_.users_ == 0) port_.idle_.notify_all();
}

PortHandle::Listing::Listing(PortHandle& port, Pending& pending) : port_(port), pending_(pending) {
  std::lock_guard lock(port_.mutex_);
  port_.pending_.insert(&pending_);
  if (port_.closed_) pending_.cancelled = true;
}

PortHandle::Listing::~Listing() {
  std::lock_guard lock(port_.mutex_);
  port_.pending_.erase(&pending_);
}

void PortHandle::Cancel(PendingKind kind) {
  std::lock_guard lock(mutex_);
  for (Pending* pending : pending_) {
    if (pending->kind != kind) continue;
    pending->cancelled = true;
    ::CancelIoEx(handle_, &pending->overlapped);
  }
}

void PortHandle::CancelIfMarked(Pending& pending) {
  if (pending.cancelled) ::CancelIoEx(handle_, &pending.overlapped);
}

bool PortHandle::IsClosed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

// An operation may hand its I/O to the OS just after a cancellation went by: the
// cancellation is repeated until every lease has run out. Closing the handle with no
// lease left frees the port for the next opener.
void PortHandle::Close() {
  std::unique_lock lock(mutex_);
  if (closed_) return;
  closed_ = true;
  for (Pending* pending : pending_) pending->cancelled = true;
  do {
    lock.unlock();
    ::CancelIoEx(handle_, nullptr);
    lock.lock();
  } while (!idle_.wait_for(lock, std::chrono::milliseconds(20), [this] { return users_ == 0; }));
  lock.unlock();
  ::CloseHandle(handle_);
}

}  // namespace driver::win32
