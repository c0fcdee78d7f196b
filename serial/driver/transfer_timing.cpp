#include "serial/driver/transfer_timing.h"

#include <algorithm>

namespace driver {

namespace {

using Duration = TransferTiming::Duration;

constexpr std::uint64_t kLongestMs =
    std::chrono::duration_cast<std::chrono::milliseconds>(TransferTiming::kLongest).count();

Duration Milliseconds(std::uint64_t ms) {
  return std::chrono::milliseconds(std::min(ms, kLongestMs));
}

// multiplier × count + constant, or no limit when both are 0. Held at kLongest: the
// product alone can pass what 64 bits hold.
std::optional<Duration> TotalLimit(std::uint32_t multiplier, std::uint32_t constant,
                                   std::size_t count) {
  if (multiplier == 0 && constant == 0) return std::nullopt;
  if (multiplier != 0 && count > kLongestMs / multiplier) return TransferTiming::kLongest;
  return Milliseconds(std::uint64_t{multiplier} * count + constant);
}

}  // namespace

TransferTiming TransferTiming::ForRead(const COMMTIMEOUTS& t, std::size_t count) {
  TransferTiming timing;
  const bool maxInterval = t.ReadIntervalTimeout == MAXDWORD;
  if (maxInterval && t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0) {
    timing.returnsAtOnce_ = true;
    timing.total_ = Duration::zero();
    return timing;
  }
  if (maxInterval && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
      t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != MAXDWORD) {
    timing.returnsOnFirstByte_ = true;
    timing.total_ = Milliseconds(t.ReadTotalTimeoutConstant);
    return timing;
  }
  timing.total_ = TotalLimit(t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant, count);
  if (t.ReadIntervalTimeout != 0) timing.interval_ = Milliseconds(t.ReadIntervalTimeout);
  return timing;
}

TransferTiming TransferTiming::ForWrite(const COMMTIMEOUTS& t, std::size_t count) {
  TransferTiming timing;
  timing.total_ = TotalLimit(t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant, count);
  return timing;
}

std::optional<Duration> TransferTiming::Remaining(Duration sinceStart,
                                                  std::optional<Duration> sinceLastByte,
                                                  std::size_t moved) const {
  if (returnsOnFirstByte_ && moved > 0) return Duration::zero();
  std::optional<Duration> left;
  if (total_) left = *total_ - sinceStart;
  // The interval timer runs only once a first byte has come.
  if (interval_ && moved > 0 && sinceLastByte) {
    const Duration byInterval = *interval_ - *sinceLastByte;
    left = left ? std::min(*left, byInterval) : byInterval;
  }
  return left;
}

}  // namespace driver
