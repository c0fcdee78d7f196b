#pragma once

#include "serial/driver/win32/windows_api.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>

#include "serial/driver/device.h"
#include "serial/driver/event.h"
#include "serial/driver/win32/port_handle.h"

namespace driver::win32 {

// An overlapped ReadFile or WriteFile; the port's time-outs are the OS's own. Wait ends
// it through GetOverlappedResult. A transfer dropped while pending is cancelled first:
// the OS writes into its OVERLAPPED until the end.
class Win32Transfer : public Transfer {
 public:
  static int StartRead(std::shared_ptr<PortHandle> port, void* buffer, std::size_t count,
                       std::unique_ptr<Transfer>& transfer, std::size_t& immediate);
  static int StartWrite(std::shared_ptr<PortHandle> port, const void* buffer, std::size_t count,
                        std::unique_ptr<Transfer>& transfer, std::size_t& immediate);
  ~Win32Transfer() override;

  int Wait(std::size_t& moved) override;

 private:
  Win32Transfer(std::shared_ptr<PortHandle> port, PendingKind kind);
  template <typename Issue>
  static int Start(std::unique_ptr<Win32Transfer> transfer, Issue&& issue,
                   std::unique_ptr<Transfer>& started, std::size_t& immediate);
  int Finish();

  const std::shared_ptr<PortHandle> port_;
  WakeEvent done_;
  OVERLAPPED overlapped_{};
  Pending pending_;
  std::optional<PortHandle::Listing> listing_;
  std::size_t moved_ = 0;
  std::optional<int> result_;
  std::mutex mutex_;
};

}  // namespace driver::win32
