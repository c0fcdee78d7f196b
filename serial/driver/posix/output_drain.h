#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace driver::posix {

// The kernel's output queue of a tty as the end of one write sees it.
class OutputQueue {
 public:
  using Duration = std::chrono::nanoseconds;
  virtual ~OutputQueue() = default;

  // Bytes taken but not yet sent: 0 or an errno (ENOTTY or EINVAL: the device does not
  // tell).
  virtual int Queued(std::uint32_t& bytes) = 0;
  // Throws away what is still queued: 0 or an errno.
  virtual int Discard() = 0;
  // Sleeps for `step` unless the write is cancelled first (ECANCELED).
  virtual int Sleep(Duration step) = 0;
  // Until the write's deadline; none: no limit.
  virtual std::optional<Duration> TimeLeft() = 0;
  // How long one character takes on the line; zero when not known.
  virtual Duration CharacterTime() = 0;
};

// Ends a write whose `written` bytes the kernel has taken: once the queue is empty, or at
// the deadline, where what is still queued is discarded and no longer counted, so that
// `written` tells what left. A device that does not tell its queue ends the write at
// once. 0, or the errno that fails the write.
int AwaitDrained(OutputQueue& queue, std::size_t& written);

// Discards what a tty holds for output, unless it reports nothing queued: a
// pseudo-terminal always does, yet its flush throws away what the peer has not read yet,
// bytes long reported sent. 0 or an errno.
int DiscardUnsent(int fd);

}  // namespace driver::posix
