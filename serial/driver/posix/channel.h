#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>

#include "serial/driver/event.h"
#include "serial/driver/records.h"

namespace driver::posix {

// What a pending wait waits for; tells which waits a purge or a new event mask ends.
enum class WaitKind { Read, Write, Event };

// One pending wait on the device. Its event is set, and stays set, when the wait must
// end before its time.
struct Waiter {
  explicit Waiter(WaitKind kind) : kind(kind) {}
  const WaitKind kind;
  WakeEvent cancel;
};

// The open descriptor and what its users share. Transfers keep the channel alive, so
// they still end properly after the device object is gone. The descriptor is closed
// only when no operation is using it any more: a number closed under a waiting thread
// could be reused by an unrelated open before that thread reads from it.
class Channel {
 public:
  explicit Channel(int fd);
  ~Channel();
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  // Lends the descriptor to one operation until the lease ends. Empty once closed.
  class Lease {
   public:
    explicit Lease(Channel& channel);
    ~Lease();
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    explicit operator bool() const { return valid_; }
    int Fd() const { return channel_.fd_; }

   private:
    Channel& channel_;
    bool valid_;
  };

  // A waiter added after the close is cancelled at once.
  void Add(Waiter& waiter);
  void Remove(Waiter& waiter);
  void Cancel(WaitKind kind);
  bool IsClosed() const;
  // Cancels every wait, lets the leases run out, then gives the device free.
  void Close();

  COMMTIMEOUTS Timeouts() const;
  void SetTimeouts(const COMMTIMEOUTS& timeouts);

  // Bytes taken out of the input queue by reads and purges: with the queue count this
  // gives how many bytes ever arrived, on devices that keep no receive counter.
  void CountConsumed(std::uint64_t bytes) { consumed_ += bytes; }
  std::uint64_t Consumed() const { return consumed_; }

  // A write moved bytes: the event wait checks for an empty output queue again.
  void NoteWritten();
  // Whether a write moved bytes since the last call; quiets Written() again.
  bool TakeWritten();
  const WakeEvent& Written() const { return written_; }

 private:
  const int fd_;
  mutable std::mutex mutex_;
  std::condition_variable idle_;
  bool closed_ = false;
  int users_ = 0;
  std::set<Waiter*> waiters_;
  COMMTIMEOUTS timeouts_{};
  std::atomic<std::uint64_t> consumed_{0};
  std::atomic<bool> writePending_{false};
  WakeEvent written_;
};

}  // namespace driver::posix
