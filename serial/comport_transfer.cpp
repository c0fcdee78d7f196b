#include <array>
#include <utility>

#include "serial/comport.h"

namespace {

constexpr std::array<std::pair<std::uint32_t, TComError>, 8> kErrorFlags = {
    {{driver::CE_FRAME, ceFrame},
     {driver::CE_RXPARITY, ceRxParity},
     {driver::CE_OVERRUN, ceOverrun},
     {driver::CE_BREAK, ceBreak},
     {driver::CE_IOE, ceIO},
     {driver::CE_MODE, ceMode},
     {driver::CE_RXOVER, ceRxOver},
     {driver::CE_TXFULL, ceTxFull}}};

constexpr std::array<std::pair<std::uint32_t, TComSignal>, 4> kSignalFlags = {
    {{driver::MS_CTS_ON, csCTS},
     {driver::MS_DSR_ON, csDSR},
     {driver::MS_RING_ON, csRing},
     {driver::MS_RLSD_ON, csRLSD}}};

template <typename Set, typename Table>
Set MembersOf(std::uint32_t flags, const Table& table) {
  Set set;
  for (const auto& [flag, member] : table)
    if ((flags & flag) != 0) set.Include(member);
  return set;
}

int TransferErrorCode(TAsyncKind kind) {
  return kind == akRead ? comerror::ReadFailed : comerror::WriteFailed;
}

}  // namespace

// --- Transfer records -----------------------------------------------------------------

void TCustomComPort::InitAsync(std::unique_ptr<TAsync>& record) {
  record = std::make_unique<TAsync>();
}

void TCustomComPort::DoneAsync(std::unique_ptr<TAsync>& record) { record.reset(); }

// --- Started transfers ----------------------------------------------------------------

// Every start needs a record and a count that is not negative: a negative one would
// make the driver move bytes far beyond the caller's memory.
template <typename Start>
std::int32_t TCustomComPort::StartTransfer(TAsyncKind kind, std::int32_t count, TAsync* record,
                                           Start&& start) {
  const int code = TransferErrorCode(kind);
  if (!record) throw EComPort::CreatePlain(comerror::InvalidAsync);
  if (count < 0) throw EComPort(code, EINVAL);
  record->Kind = kind;
  std::size_t immediate = 0;
  OnDevice(code, [&](driver::Device& device) {
    return start(device, static_cast<std::size_t>(count), record->Transfer, immediate);
  });
  return static_cast<std::int32_t>(immediate);
}

std::int32_t TCustomComPort::WriteAsync(const void* buffer, std::int32_t count, TAsync* record) {
  return StartTransfer(akWrite, count, record, [buffer](driver::Device& device, auto&&... rest) {
    return device.StartWrite(buffer, rest...);
  });
}

std::int32_t TCustomComPort::WriteStrAsync(const std::string& bytes, TAsync* record) {
  return WriteAsync(bytes.data(), static_cast<std::int32_t>(bytes.size()), record);
}

std::int32_t TCustomComPort::ReadAsync(void* buffer, std::int32_t count, TAsync* record) {
  return StartTransfer(akRead, count, record, [buffer](driver::Device& device, auto&&... rest) {
    return device.StartRead(buffer, rest...);
  });
}

std::int32_t TCustomComPort::ReadStrAsync(std::string& bytes, std::int32_t count, TAsync* record) {
  if (count < 0) throw EComPort(comerror::ReadFailed, EINVAL);
  bytes.resize(static_cast<std::size_t>(count));
  return ReadAsync(bytes.data(), count, record);
}

std::int32_t TCustomComPort::WaitForAsync(TAsync* record) {
  if (!record) throw EComPort::CreatePlain(comerror::InvalidAsync);
  // A record with no transfer started is complete, with nothing moved.
  std::size_t moved = 0;
  if (record->Transfer) {
    if (const int error = record->Transfer->Wait(moved); error != 0)
      throw EComPort(TransferErrorCode(record->Kind), error);
  }
  if (record->Kind == akRead) InputCount();
  return static_cast<std::int32_t>(moved);
}

void TCustomComPort::AbortAllAsync() {
  OnDevice(comerror::PurgeFailed, [](driver::Device& device) {
    return device.Purge(driver::PURGE_TXABORT | driver::PURGE_RXABORT);
  });
}

// --- Blocking transfers -----------------------------------------------------------------

// Each blocking transfer owns its record for exactly its own duration: the record goes
// on every path, also when the start or the wait raises.
template <typename Start>
std::int32_t TCustomComPort::TransferBlocking(Start&& start) {
  std::unique_ptr<TAsync> record;
  InitAsync(record);
  start(record.get());
  return WaitForAsync(record.get());
}

std::int32_t TCustomComPort::WriteStr(const std::string& bytes) {
  return TransferBlocking([&](TAsync* record) { WriteStrAsync(bytes, record); });
}

std::int32_t TCustomComPort::Read(void* buffer, std::int32_t count) {
  return TransferBlocking([&](TAsync* record) { ReadAsync(buffer, count, record); });
}

std::int32_t TCustomComPort::ReadStr(std::string& bytes, std::int32_t count) {
  const std::int32_t received =
      TransferBlocking([&](TAsync* record) { ReadStrAsync(bytes, count, record); });
  bytes.resize(static_cast<std::size_t>(received));
  return received;
}

// --- Line status and control ------------------------------------------------------------

void TCustomComPort::ClearErrors(std::uint32_t& errors, std::uint32_t& inQueue) {
  OnDevice(comerror::ClearErrorFailed,
           [&](driver::Device& device) { return device.ClearErrors(errors, inQueue); });
  lineErrors_.fetch_or(errors);
}

TComErrors TCustomComPort::MapErrors(std::uint32_t errors) const {
  // A parity error only counts when the driver was asked to check parity.
  if (!parity_.Check()) errors &= ~driver::CE_RXPARITY;
  return MembersOf<TComErrors>(errors, kErrorFlags);
}

std::int32_t TCustomComPort::InputCount() {
  std::uint32_t errors = 0;
  std::uint32_t inQueue = 0;
  ClearErrors(errors, inQueue);
  return static_cast<std::int32_t>(inQueue);
}

TComErrors TCustomComPort::LastErrors() {
  std::uint32_t errors = 0;
  std::uint32_t inQueue = 0;
  ClearErrors(errors, inQueue);
  return MapErrors(errors);
}

TComErrors TCustomComPort::TakeLineErrors() {
  InputCount();
  return MapErrors(lineErrors_.exchange(0));
}

TComSignals TCustomComPort::Signals() {
  std::uint32_t status = 0;
  OnDevice(comerror::ModemStatusFailed,
           [&](driver::Device& device) { return device.ModemStatus(status); });
  return MembersOf<TComSignals>(status, kSignalFlags);
}

void TCustomComPort::SetRTS(bool on) {
  OnDevice(comerror::EscapeFailed, [on](driver::Device& device) {
    return device.Escape(on ? driver::SETRTS : driver::CLRRTS);
  });
}
