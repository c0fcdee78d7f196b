#include "serial/driver/posix/output_drain.h"

#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>
#include <cerrno>

#include "serial/driver/posix/line_counters.h"
#include "serial/driver/transfer_timing.h"

namespace driver::posix {

namespace {

using Duration = OutputQueue::Duration;

// Shorter sleeps would cost more in wake-ups than they gain in promptness.
constexpr Duration kShortestStep = std::chrono::milliseconds(1);

// The least time the line needs for `bytes`.
Duration TimeToSend(std::uint32_t bytes, Duration characterTime) {
  if (characterTime <= Duration::zero()) return Duration::zero();
  if (bytes > TransferTiming::kLongest / characterTime) return TransferTiming::kLongest;
  return characterTime * bytes;
}

// The queue cannot empty sooner than its bytes take on the line, so the next look comes
// then, or at the deadline.
Duration NextLook(std::uint32_t queued, Duration characterTime, std::optional<Duration> left) {
  const Duration step = std::max(TimeToSend(queued, characterTime), kShortestStep);
  return left ? std::min(step, *left) : step;
}

}  // namespace

int AwaitDrained(OutputQueue& queue, std::size_t& written) {
  std::optional<Duration> characterTime;
  for (;;) {
    std::uint32_t queued = 0;
    if (const int error = queue.Queued(queued)) {
      return error == ENOTTY || error == EINVAL ? 0 : error;
    }
    if (queued == 0) return 0;
    const std::optional<Duration> left = queue.TimeLeft();
    if (left && *left <= Duration::zero()) {
      written -= std::min<std::size_t>(queued, written);
      return queue.Discard();
    }
    if (!characterTime) characterTime = queue.CharacterTime();
    if (const int error = queue.Sleep(NextLook(queued, *characterTime, left))) return error;
  }
}

int DiscardUnsent(int fd) {
  std::uint32_t queued = 0;
  if (OutputQueued(fd, queued) == 0 && queued == 0) return 0;
  return ::ioctl(fd, TCFLSH, TCOFLUSH) == 0 ? 0 : errno;
}

}  // namespace driver::posix
