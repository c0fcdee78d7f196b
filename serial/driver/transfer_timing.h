#pragma once

#include <chrono>
#include <cstddef>
#include <optional>

#include "serial/driver/records.h"

namespace driver {

// The Windows time-out rules for one transfer, written once for every backend.
// Times are the device's own (a simulated line may run faster than real time):
// callers pass how long it is since the transfer started and since its last byte.
class TransferTiming {
 public:
  using Duration = std::chrono::nanoseconds;

  // Totals beyond this (MAXDWORD × a few thousand bytes) are held here: a century is no
  // limit to a transfer, and a clock reading plus this still fits in a Duration.
  static constexpr Duration kLongest = std::chrono::hours(24 * 365 * 100);

  static TransferTiming ForRead(const COMMTIMEOUTS& t, std::size_t count);
  static TransferTiming ForWrite(const COMMTIMEOUTS& t, std::size_t count);

  // ReadInterval MAXDWORD with both read totals 0: take what is waiting and return.
  bool ReturnsAtOnce() const { return returnsAtOnce_; }
  // ReadInterval and multiplier MAXDWORD with a constant: return at the first byte.
  bool ReturnsOnFirstByte() const { return returnsOnFirstByte_; }

  // How much longer the transfer may wait for its next byte, given the bytes moved so
  // far: nullopt means no limit, zero (or less) means it is over.
  std::optional<Duration> Remaining(Duration sinceStart, std::optional<Duration> sinceLastByte,
                                    std::size_t moved) const;

 private:
  std::optional<Duration> total_;     // from the start of the transfer
  std::optional<Duration> interval_;  // between two received bytes
  bool returnsAtOnce_ = false;
  bool returnsOnFirstByte_ = false;
};

}  // namespace driver
