#include "apps/cli/cli_interruption.h"

#include <atomic>
#include <cstdint>

#include "apps/cli/cli_interrupt_catch.h"
#include "serial/driver/event.h"

namespace cli {

namespace {

std::atomic<bool> requested{false};

// Lives as long as the process: a handler started just before the handling was given
// back may still set it. Made at start, so that the first command does not look like
// it leaked a descriptor.
driver::WakeEvent& signalEvent = *new driver::WakeEvent;

// Passes every call through, except that transfers are refused once interrupted.
class InterruptibleDevice : public driver::Device {
 public:
  InterruptibleDevice(std::shared_ptr<driver::Device> device, Interruption& interruption)
      : device_(std::move(device)), interruption_(interruption) {}

  int SetQueueSizes(std::uint32_t input, std::uint32_t output) override {
    return device_->SetQueueSizes(input, output);
  }
  int SetState(const driver::DCB& dcb) override { return device_->SetState(dcb); }
  int SetTimeouts(const driver::COMMTIMEOUTS& timeouts) override {
    return device_->SetTimeouts(timeouts);
  }
  int StartRead(void* buffer, std::size_t count, std::unique_ptr<driver::Transfer>& transfer,
                std::size_t& immediate) override {
    return interruption_.StartUnlessRequested(
        [&] { return device_->StartRead(buffer, count, transfer, immediate); });
  }
  int StartWrite(const void* buffer, std::size_t count,
                 std::unique_ptr<driver::Transfer>& transfer, std::size_t& immediate) override {
    return interruption_.StartUnlessRequested(
        [&] { return device_->StartWrite(buffer, count, transfer, immediate); });
  }
  int Purge(std::uint32_t flags) override { return device_->Purge(flags); }
  int ClearErrors(std::uint32_t& errors, std::uint32_t& inQueue) override {
    return device_->ClearErrors(errors, inQueue);
  }
  int ModemStatus(std::uint32_t& status) override { return device_->ModemStatus(status); }
  int Escape(std::uint32_t function) override { return device_->Escape(function); }
  int SetEventMask(std::uint32_t mask) override { return device_->SetEventMask(mask); }
  int WaitEvent(std::uint32_t& occurred, const driver::WakeEvent& stop) override {
    return device_->WaitEvent(occurred, stop);
  }
  void Close() override { device_->Close(); }

 private:
  std::shared_ptr<driver::Device> device_;
  Interruption& interruption_;
};

}  // namespace

Interruption::Interruption(driver::DeviceFactory& devices) : devices_(devices) {
  requested = false;
  signalEvent.Reset();
  interrupt_catch::Catch(requested, signalEvent);
  watcher_ = std::thread([this] { Watch(); });
}

// The watcher is woken without a request and ends.
Interruption::~Interruption() {
  interrupt_catch::Release();
  signalEvent.Set();
  watcher_.join();
}

bool Interruption::Requested() { return requested.load(); }

void Interruption::ThrowIfRequested() {
  if (Requested()) throw Interrupted();
}

int Interruption::Open(const std::string& portName, std::shared_ptr<driver::Device>& device) {
  std::lock_guard lock(mutex_);
  if (Requested()) return ECANCELED;
  std::shared_ptr<driver::Device> opened;
  if (const int error = devices_.Open(portName, opened); error != 0) return error;
  opened_ = opened;
  device = std::make_shared<InterruptibleDevice>(std::move(opened), *this);
  return 0;
}

// Once interrupted, the pending transfers end as a closing port ends them; a device
// already closed refuses, which changes nothing.
void Interruption::Watch() {
  signalEvent.Wait();
  if (!Requested()) return;
  std::lock_guard lock(mutex_);
  if (const auto device = opened_.lock())
    device->Purge(driver::PURGE_TXABORT | driver::PURGE_RXABORT);
}

}  // namespace cli
