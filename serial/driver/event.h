#pragma once

#include <chrono>
#include <optional>
#include <span>

namespace driver {

// What the platform waits on: an eventfd on Linux, an event HANDLE on Windows.
#ifdef _WIN32
using NativeWakeHandle = void*;
#else
using NativeWakeHandle = int;
#endif

// A manual-reset event that a thread can wait on beside a device (in a poll() set or
// among WaitForMultipleObjects' handles). Stands in for the Windows events the
// component and its event thread wait on.
class WakeEvent {
 public:
  explicit WakeEvent(bool initiallySet = false);
  ~WakeEvent();
  WakeEvent(const WakeEvent&) = delete;
  WakeEvent& operator=(const WakeEvent&) = delete;

  void Set();
  void Reset();
  bool IsSet() const;
  // Waits until set; no timeout means no limit. Returns whether it is set.
  bool Wait(std::optional<std::chrono::nanoseconds> timeout = std::nullopt) const;
  NativeWakeHandle Native() const { return handle_; }

 private:
  NativeWakeHandle handle_;
};

// Waits until one of `events` is set or the timeout passes (no timeout: no limit);
// never wakes early. Null entries are left out.
void WaitForAny(std::span<const WakeEvent* const> events,
                std::optional<std::chrono::nanoseconds> timeout);

}  // namespace driver
