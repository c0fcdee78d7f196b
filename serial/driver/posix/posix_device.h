#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "serial/driver/device.h"
#include "serial/driver/posix/channel.h"
#include "serial/driver/posix/event_watch.h"
#include "serial/driver/posix/line_counters.h"
#include "serial/driver/posix/low_latency.h"

namespace driver::posix {

// A Linux tty held for exclusive use, driven through termios and ioctl.
class PosixDevice : public Device {
 public:
  // Opens a device path: O_NONBLOCK, flock and TIOCEXCL, raw mode, the driver's low
  // latency where it offers it. The descriptor is closed again on every failure.
  static int Open(const std::string& path, std::shared_ptr<Device>& device);
  ~PosixDevice() override;

  int SetQueueSizes(std::uint32_t input, std::uint32_t output) override;
  int SetState(const DCB& dcb) override;
  int SetTimeouts(const COMMTIMEOUTS& timeouts) override;
  int StartRead(void* buffer, std::size_t count, std::unique_ptr<Transfer>& transfer,
                std::size_t& immediate) override;
  int StartWrite(const void* buffer, std::size_t count, std::unique_ptr<Transfer>& transfer,
                 std::size_t& immediate) override;
  int Purge(std::uint32_t flags) override;
  int ClearErrors(std::uint32_t& errors, std::uint32_t& inQueue) override;
  int ModemStatus(std::uint32_t& status) override;
  int Escape(std::uint32_t function) override;
  int SetEventMask(std::uint32_t mask) override;
  int WaitEvent(std::uint32_t& occurred, const WakeEvent& stop) override;
  void Close() override;

 private:
  explicit PosixDevice(int fd);
  int Attach(int fd);
  // Clears the driver's low latency if the open set it, while the descriptor is open.
  void EndLowLatency();

  std::shared_ptr<Channel> channel_;
  EventWatch events_;
  std::mutex errorsMutex_;
  LineCounters lastErrors_;  // counters at the last ClearErrors
  LowLatency lowLatency_;
};

}  // namespace driver::posix
