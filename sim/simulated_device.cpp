#include "sim/simulated_device.h"

namespace driver::sim {

namespace {

// Keeps the reader alive, so that it still ends after the device is gone.
class SimulatedTransfer : public Transfer {
 public:
  SimulatedTransfer(std::shared_ptr<Reader> reader, std::shared_ptr<TransferOp> op)
      : reader_(std::move(reader)), op_(std::move(op)) {}
  ~SimulatedTransfer() override { reader_->Abandon(*op_); }
  int Wait(std::size_t& moved) override { return reader_->WaitFor(*op_, moved); }

 private:
  std::shared_ptr<Reader> reader_;
  std::shared_ptr<TransferOp> op_;
};

// Wraps a started operation of the reader into a transfer.
template <typename Start>
int StartTransfer(const std::shared_ptr<Reader>& reader, std::unique_ptr<Transfer>& transfer,
                  Start&& start) {
  std::shared_ptr<TransferOp> op;
  if (const int error = start(op)) return error;
  transfer = std::make_unique<SimulatedTransfer>(reader, std::move(op));
  return 0;
}

}  // namespace

SimulatedDevice::SimulatedDevice(std::shared_ptr<Reader> reader, unsigned session)
    : reader_(std::move(reader)), session_(session) {}

SimulatedDevice::~SimulatedDevice() { Close(); }

int SimulatedDevice::SetQueueSizes(std::uint32_t input, std::uint32_t) {
  return reader_->SetQueueSizes(session_, input);
}

int SimulatedDevice::SetState(const DCB& dcb) { return reader_->SetState(session_, dcb); }

int SimulatedDevice::SetTimeouts(const COMMTIMEOUTS& timeouts) {
  return reader_->SetTimeouts(session_, timeouts);
}

int SimulatedDevice::StartRead(void* buffer, std::size_t count, std::unique_ptr<Transfer>& transfer,
                               std::size_t& immediate) {
  return StartTransfer(reader_, transfer, [&](std::shared_ptr<TransferOp>& op) {
    return reader_->StartRead(session_, buffer, count, op, immediate);
  });
}

int SimulatedDevice::StartWrite(const void* buffer, std::size_t count,
                                std::unique_ptr<Transfer>& transfer, std::size_t& immediate) {
  return StartTransfer(reader_, transfer, [&](std::shared_ptr<TransferOp>& op) {
    return reader_->StartWrite(session_, buffer, count, op, immediate);
  });
}

int SimulatedDevice::Purge(std::uint32_t flags) { return reader_->Purge(session_, flags); }

int SimulatedDevice::ClearErrors(std::uint32_t& errors, std::uint32_t& inQueue) {
  return reader_->ClearErrors(session_, errors, inQueue);
}

int SimulatedDevice::ModemStatus(std::uint32_t& status) {
  return reader_->ModemStatus(session_, status);
}

int SimulatedDevice::Escape(std::uint32_t function) { return reader_->Escape(session_, function); }

int SimulatedDevice::SetEventMask(std::uint32_t mask) {
  return reader_->SetEventMask(session_, mask);
}

int SimulatedDevice::WaitEvent(std::uint32_t& occurred, const WakeEvent& stop) {
  return reader_->WaitEvent(session_, occurred, stop);
}

void SimulatedDevice::Close() { reader_->Close(session_); }

}  // namespace driver::sim
