#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "serial/driver/device.h"
#include "serial/driver/win32/port_handle.h"

namespace driver::win32 {

// A Windows communications port held for exclusive use, driven through the Windows
// serial calls themselves; the error numbers are Windows' own.
class Win32Device : public Device {
 public:
  // Opens a device path ("\\.\COM7") for overlapped use, shared with nobody.
  static int Open(const std::string& path, std::shared_ptr<Device>& device);
  ~Win32Device() override;

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
  explicit Win32Device(HANDLE handle) : port_(std::make_shared<PortHandle>(handle)) {}
  // Runs one call with the handle: kClosed once closed, else the call's own error.
  template <typename Call>
  int WithHandle(Call&& call);

  std::shared_ptr<PortHandle> port_;
};

}  // namespace driver::win32
