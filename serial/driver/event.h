#pragma once

#include <chrono>
#include <optional>

#include "common/unique_fd.h"

namespace driver {

// A manual-reset event that can sit in a poll() set beside a device: readable while
// set. Stands in for the Windows events the component and its event thread wait on.
class WakeEvent {
 public:
  explicit WakeEvent(bool initiallySet = false);
  WakeEvent(const WakeEvent&) = delete;
  WakeEvent& operator=(const WakeEvent&) = delete;

  void Set();
  void Reset();
  bool IsSet() const;
  // Waits until set; no timeout means no limit. Returns whether it is set.
  bool Wait(std::optional<std::chrono::nanoseconds> timeout = std::nullopt) const;
  int Fd() const { return fd_.Get(); }

 private:
  UniqueFd fd_;
};

}  // namespace driver
