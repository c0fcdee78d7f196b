#pragma once

#include "serial/driver/win32/windows_api.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>

namespace driver::win32 {

// What a pending overlapped operation waits for; tells which ones a purge or a new
// event mask ends.
enum class PendingKind { Read, Write, Event };

// One overlapped operation in flight. `cancelled` stays set once a purge, a new event
// mask or the close has ended it, also when it had not reached the OS yet.
struct Pending {
  Pending(PendingKind kind, OVERLAPPED& overlapped) : kind(kind), overlapped(overlapped) {}
  const PendingKind kind;
  OVERLAPPED& overlapped;
  std::atomic<bool> cancelled{false};
};

// The open port handle and what its users share. Transfers keep it alive, so they still
// end properly after the device object is gone. The handle is closed only when no
// operation is using it any more: a handle value closed under a waiting thread could be
// reused by an unrelated open before that thread passes it to the OS.
class PortHandle {
 public:
  explicit PortHandle(HANDLE handle) : handle_(handle) {}
  ~PortHandle();
  PortHandle(const PortHandle&) = delete;
  PortHandle& operator=(const PortHandle&) = delete;

  // Lends the handle to one operation until the lease ends. Empty once closed.
  class Lease {
   public:
    explicit Lease(PortHandle& port);
    ~Lease();
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    explicit operator bool() const { return valid_; }
    HANDLE Handle() const { return port_.handle_; }

   private:
    PortHandle& port_;
    bool valid_;
  };

  // Keeps an operation listed while it may be in flight. One listed after the close is
  // marked cancelled at once.
  class Listing {
   public:
    Listing(PortHandle& port, Pending& pending);
    ~Listing();
    Listing(const Listing&) = delete;
    Listing& operator=(const Listing&) = delete;

   private:
    PortHandle& port_;
    Pending& pending_;
  };

  // Ends the listed operations of one kind (CancelIoEx on each of them).
  void Cancel(PendingKind kind);
  // After an operation was handed to the OS: a cancellation that came before it reached
  // the OS found nothing to cancel, so it is repeated here.
  void CancelIfMarked(Pending& pending);
  bool IsClosed() const;
  // Cancels every operation, lets the leases run out, then closes the handle.
  void Close();

 private:
  const HANDLE handle_;
  mutable std::mutex mutex_;
  std::condition_variable idle_;
  bool closed_ = false;
  int users_ = 0;
  std::set<Pending*> pending_;
};

}  // namespace driver::win32
