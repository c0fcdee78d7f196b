#include "serial/comport.h"

#include <array>
#include <string_view>

#include "serial/driver/directory.h"
#include "serial/exception_handler.h"
#include "serial/text_syntax.h"

namespace {

// Line speed in bit/s by TBaudRate; brCustom takes CustomBaudRate instead.
constexpr std::array<std::uint32_t, br256000 + 1> kSpeeds = {
    0,     110,   300,   600,   1200,  2400,   4800,   9600,
    14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};

}  // namespace

std::string NormalizePortName(const std::string& name) {
  const std::string_view whole(name);
  const bool prefixed = whole.size() >= 3 && SameTextAscii(whole.substr(0, 3), "COM");
  std::int32_t n = TextToInteger(prefixed ? whole.substr(3) : whole).value_or(1);
  if (n < 1 || n > 96) n = 1;
  return "COM" + std::to_string(n);
}

TCustomComPort::TCustomComPort() = default;

TCustomComPort::~TCustomComPort() {
  try {
    Close();
  } catch (...) {
    // No caller can receive the failure here, and the device must not outlive us.
    appexceptions::Report(std::current_exception());
    StopEventWatching();
    DestroyHandle();
    connected_ = false;
  }
}

// --- Connection -----------------------------------------------------------------------

void TCustomComPort::SetConnected(bool value) {
  if (loading_) {
    connected_ = value;
    return;
  }
  if (value == connected_) return;
  if (value)
    Open();
  else
    Close();
}

void TCustomComPort::SetPort(const std::string& name) {
  const std::string normalized = NormalizePortName(name);
  if (normalized == port_) return;
  port_ = normalized;
  if (OpenOutsideLoading()) {
    Close();
    Open();
  }
}

void TCustomComPort::Open() {
  if (connected_) return;
  FireBeforeOpen();
  CreateHandle();
  connected_ = true;  // opens the apply gate for SetupComPort
  try {
    SetupComPort();
  } catch (...) {
    DestroyHandle();
    connected_ = false;
    throw;
  }
  StartEventWatching();
  FireAfterOpen();
  NotifySignals(true);
}

void TCustomComPort::Close() {
  if (!connected_) return;
  NotifySignals(false);
  FireBeforeClose();
  AbortAllAsync();
  StopEventWatching();
  DestroyHandle();
  connected_ = false;
  FireAfterClose();
}

void TCustomComPort::Loaded() {
  loading_ = false;
  if (!connected_) return;
  connected_ = false;
  try {
    Open();
  } catch (...) {
    appexceptions::Report(std::current_exception());
  }
}

void TCustomComPort::CreateHandle() {
  std::shared_ptr<driver::Device> device;
  if (const int error = Factory().Open(port_, device); error != 0)
    throw EComPort(comerror::OpenFailed, error);
  handle_ = std::move(device);
}

void TCustomComPort::DestroyHandle() {
  if (!handle_) return;
  handle_->Close();
  handle_.reset();
}

void TCustomComPort::SetupComPort() {
  ApplyBuffer();
  ApplyDCB();
  ApplyTimeouts();
}

driver::DeviceFactory& TCustomComPort::Factory() const {
  return factory_ ? *factory_ : driver::PortDirectory::Instance();
}

// There is no event thread yet: an open port watches no line events, whatever Events
// holds, so the thread-created flag stays clear.
void TCustomComPort::StartEventWatching() { threadCreated_ = false; }
void TCustomComPort::StopEventWatching() { threadCreated_ = false; }

// --- Settings -------------------------------------------------------------------------

void TCustomComPort::SetParity(const TComParity& value) {
  parity_.Assign(value);
  ApplyDCB();
}

void TCustomComPort::SetFlowControl(const TComFlowControl& value) {
  flowControl_.Assign(value);
  ApplyDCB();
}

void TCustomComPort::SetTimeouts(const TComTimeouts& value) {
  timeouts_.Assign(value);
  ApplyTimeouts();
}

void TCustomComPort::SetBuffer(const TComBuffer& value) {
  buffer_.Assign(value);
  ApplyBuffer();
}

void TCustomComPort::SetSyncMethod(TSyncMethod value) {
  if (value == syncMethod_) return;
  if (OpenOutsideLoading()) throw EComPort::CreatePlain(comerror::SyncMethodWhileConnected);
  syncMethod_ = value;
}

void TCustomComPort::ApplyDCB() {
  ApplyWhileOpen(comerror::SetStateFailed,
                 [this](driver::Device& device) { return device.SetState(LineRecord()); });
}

void TCustomComPort::ApplyTimeouts() {
  ApplyWhileOpen(comerror::SetTimeoutsFailed,
                 [this](driver::Device& device) { return device.SetTimeouts(timeouts_.Record()); });
}

void TCustomComPort::ApplyBuffer() {
  ApplyWhileOpen(comerror::SetupFailed, [this](driver::Device& device) {
    return device.SetQueueSizes(static_cast<std::uint32_t>(buffer_.InputSize()),
                                static_cast<std::uint32_t>(buffer_.OutputSize()));
  });
}

driver::DCB TCustomComPort::LineRecord() const {
  driver::DCB dcb;
  dcb.DCBlength = sizeof(driver::DCB);
  dcb.BaudRate =
      baudRate_ == brCustom ? static_cast<std::uint32_t>(customBaudRate_) : kSpeeds[baudRate_];
  dcb.Flags = driver::FlagBinary | (discardNull_ ? driver::FlagNull : 0);
  dcb.ByteSize = static_cast<std::uint8_t>(5 + dataBits_);
  dcb.StopBits = static_cast<std::uint8_t>(stopBits_);
  dcb.EvtChar = eventChar_;
  parity_.StoreInto(dcb);
  flowControl_.StoreInto(dcb);
  buffer_.StoreInto(dcb);
  return dcb;
}

// --- Notifications --------------------------------------------------------------------

void TCustomComPort::NotifySignals(bool opening) {
  if (opening) {
    NotifyCTSChange();
    NotifyDSRChange();
    NotifyRLSDChange();
  } else {
    FireCTSChange(false);
    FireDSRChange(false);
    FireRLSDChange(false);
  }
}

void TCustomComPort::NotifyCTSChange() { FireCTSChange(Signals().Contains(csCTS)); }
void TCustomComPort::NotifyDSRChange() { FireDSRChange(Signals().Contains(csDSR)); }
void TCustomComPort::NotifyRLSDChange() { FireRLSDChange(Signals().Contains(csRLSD)); }

void TCustomComPort::FireAfterClose() { CallIfAssigned(OnAfterClose); }
void TCustomComPort::FireAfterOpen() { CallIfAssigned(OnAfterOpen); }
void TCustomComPort::FireBeforeClose() { CallIfAssigned(OnBeforeClose); }
void TCustomComPort::FireBeforeOpen() { CallIfAssigned(OnBeforeOpen); }
void TCustomComPort::FireRxChar(std::int32_t count) { CallIfAssigned(OnRxChar, count); }
void TCustomComPort::FireRxBuf(const void* buffer, std::int32_t count) {
  CallIfAssigned(OnRxBuf, buffer, count);
}
void TCustomComPort::FireTxEmpty() { CallIfAssigned(OnTxEmpty); }
void TCustomComPort::FireBreak() { CallIfAssigned(OnBreak); }
void TCustomComPort::FireRing() { CallIfAssigned(OnRing); }
void TCustomComPort::FireRxFlag() { CallIfAssigned(OnRxFlag); }
void TCustomComPort::FireCTSChange(bool onOff) { CallIfAssigned(OnCTSChange, onOff); }
void TCustomComPort::FireDSRChange(bool onOff) { CallIfAssigned(OnDSRChange, onOff); }
void TCustomComPort::FireError(TComErrors errors) { CallIfAssigned(OnError, errors); }
void TCustomComPort::FireRLSDChange(bool onOff) { CallIfAssigned(OnRLSDChange, onOff); }
void TCustomComPort::FireRx80Full() { CallIfAssigned(OnRx80Full); }
