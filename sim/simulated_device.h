#pragma once

#include <memory>

#include "serial/driver/device.h"
#include "sim/reader.h"

namespace driver::sim {

// One open of a simulated reader's host port.
class SimulatedDevice : public Device {
 public:
  SimulatedDevice(std::shared_ptr<Reader> reader, unsigned session);
  ~SimulatedDevice() override;

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
  std::shared_ptr<Reader> reader_;
  unsigned session_;
};

}  // namespace driver::sim
