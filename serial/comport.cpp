#include "serial/comport.h"

#include <array>
#include <bit>
#include <exception>
#include <string_view>
#include <utility>

#include "serial/com_thread.h"
#include "serial/driver/directory.h"
#include "common/exception_handler.h"
#include "serial/text_syntax.h"

namespace {

// Line speed in bit/s by TBaudRate; brCustom takes CustomBaudRate instead.
constexpr std::array<std::uint32_t, br256000 + 1> kSpeeds = {
    0,     110,   300,   600,   1200,  2400,   4800,   9600,
    14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};

// Marks, for the calling thread, that a port's event actions run on it; the marks of
// batches run inside a handler's own message processing nest.
class EventBatchMark {
 public:
  explicit EventBatchMark(const TCustomComPort* port) : port_(port), outer_(innermost_) {
    innermost_ = this;
  }
  ~EventBatchMark() { innermost_ = outer_; }
  EventBatchMark(const EventBatchMark&) = delete;
  EventBatchMark& operator=(const EventBatchMark&) = delete;

  static bool Marked(const TCustomComPort* port) {
    for (const EventBatchMark* mark = innermost_; mark; mark = mark->outer_)
      if (mark->port_ == port) return true;
    return false;
  }

 private:
  const TCustomComPort* port_;
  const EventBatchMark* outer_;
  static thread_local const EventBatchMark* innermost_;
};

thread_local const EventBatchMark* EventBatchMark::innermost_ = nullptr;

}  // namespace

// The window is declared first so that it outlives the thread that sends to it.
struct TCustomComPort::ReleasedWatch {
  std::unique_ptr<TEventWindow> window;
  std::unique_ptr<TComThread> thread;
};

std::string NormalizePortName(const std::string& name) {
  const std::string_view whole(name);
  const bool prefixed = whole.size() >= 3 && SameTextAscii(whole.substr(0, 3), "COM");
  std::int32_t n = TextToInteger(prefixed ? whole.substr(3) : whole).value_or(1);
  if (n < 1 || n > 96) n = 1;
  return "COM" + std::to_string(n);
}

TCustomComPort::TCustomComPort() = default;

// Not from inside one of its own handlers: the event thread waits for that handler.
TCustomComPort::~TCustomComPort() { CloseForDestruction(); }

void TCustomComPort::CloseForDestruction() noexcept {
  try {
    Close();
  } catch (...) {
    // No caller can receive the failure here, and the device must not outlive us.
    appexceptions::Report(std::current_exception());
    ForceClosed();
  }
  ReapReleasedThreads();
}

void TCustomComPort::ForceClosed() {
  StopEventWatching();
  DestroyHandle();
  connected_ = false;
}

// --- Connection -----------------------------------------------------------------------

void TCustomComPort::SetConnected(bool value) {
  if (loading_) {
    connectWish_ = value;
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
  if (connected_ && loading_) pendingChanges_ |= kNewPort;
  if (OpenOutsideLoading()) {
    // The name follows the device: it changes once the old device has been let go.
    try {
      Close();
    } catch (...) {
      if (!connected_) port_ = normalized;
      throw;
    }
    port_ = normalized;
    Open();
    return;
  }
  port_ = normalized;
}

void TCustomComPort::Open() {
  if (connected_) return;
  FireBeforeOpen();
  CreateHandle();
  lineErrors_ = 0;  // those of an earlier connection are not this one's
  connected_ = true;  // opens the apply gate for SetupComPort
  try {
    SetupComPort();
    StartEventWatching();
  } catch (...) {
    DestroyHandle();
    connected_ = false;
    throw;
  }
  FireAfterOpen();
  NotifySignals(true);
}

// A Close from a handler that runs while this port is already closing (during the
// wait for the event thread) leaves the work to the Close in progress.
void TCustomComPort::Close() {
  if (!BeginClosing()) return;
  try {
    NotifySignals(false);
    FireBeforeClose();
  } catch (...) {
    EndClosing();
    throw;
  }
  // A device that has gone (an unplugged adapter) refuses the abort; the port is closed
  // all the same and the refusal raised afterwards, or it could never be closed again.
  std::exception_ptr abortFailure;
  try {
    AbortAllAsync();
  } catch (const EComPort&) {
    abortFailure = std::current_exception();
  }
  StopEventWatching();
  DestroyHandle();
  connected_ = false;
  EndClosing();
  FireAfterClose();
  if (abortFailure) std::rethrow_exception(abortFailure);
}

bool TCustomComPort::BeginClosing() {
  const std::thread::id me = std::this_thread::get_id();
  std::unique_lock lock(closeMutex_);
  while (closer_ != std::thread::id{} && closer_ != me && !EventBatchMark::Marked(this)) {
    const std::shared_ptr<handover::Completion> closed = closed_;
    lock.unlock();
    handover::ServeUntil(*closed);
    lock.lock();
  }
  if (!connected_ || closer_ != std::thread::id{}) return false;
  closer_ = me;
  closed_ = std::make_shared<handover::Completion>();
  return true;
}

void TCustomComPort::EndClosing() {
  std::lock_guard lock(closeMutex_);
  closer_ = {};
  closed_->Set();
}

// The device of a port that was open before the load is kept: it is not opened a
// second time (it is this component's, and busy), only brought up to date.
void TCustomComPort::Loaded() {
  loading_ = false;
  const bool wanted = std::exchange(connectWish_, std::nullopt).value_or(connected_);
  const unsigned pending = std::exchange(pendingChanges_, 0);
  try {
    if (!connected_) {
      if (wanted) Open();
    } else if (!wanted) {
      Close();
    } else {
      ApplyLoadedChanges(pending);
    }
  } catch (...) {
    appexceptions::Report(std::current_exception());
  }
}

void TCustomComPort::ApplyLoadedChanges(unsigned pending) {
  if (pending & kNewPort) {
    Close();
    Open();
    return;
  }
  if (pending & kBufferGroup) ApplyBuffer();
  if (pending & kLineGroup) ApplyDCB();
  if (pending & kTimeoutGroup) ApplyTimeouts();
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

// The window exists only beside a thread, so a thread that cannot be made leaves none.
void TCustomComPort::StartEventWatching() {
  threadCreated_ = false;
  if (events_.Empty()) return;
  std::unique_ptr<TEventWindow> window;
  if (syncMethod_ == smWindowSync)
    window = std::make_unique<TEventWindow>(
        [this](const TMessage& message) { EventWindowProc(message); });
  eventThread_ = std::make_unique<TComThread>(*this, window.get());
  eventWindow_ = std::move(window);
  threadCreated_ = true;
}

// Inside one of the thread's own batches the thread waits for us: it is let go and
// ends by itself once the batch returns. Otherwise it is stopped and waited for, and so
// are threads let go earlier.
void TCustomComPort::StopEventWatching() {
  if (!threadCreated_) return;
  threadCreated_ = false;
  ReleasedWatch watch{std::move(eventWindow_), std::move(eventThread_)};
  if (EventBatchMark::Marked(this)) {
    watch.thread->Release();
    std::lock_guard lock(closeMutex_);
    released_.push_back(std::move(watch));
    return;
  }
  watch.thread.reset();
  ReapReleasedThreads();
}

// Taken under the lock, waited for (as they are destroyed) outside it.
void TCustomComPort::ReapReleasedThreads() {
  std::vector<ReleasedWatch> reaped;
  std::lock_guard lock(closeMutex_);
  reaped.swap(released_);
}

void TCustomComPort::RunEventBatch(const std::function<void()>& actions) {
  const EventBatchMark mark(this);
  actions();
}

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
  // Also while loading: a running event thread reads the mode at every batch.
  if (handle_) throw EComPort::CreatePlain(comerror::SyncMethodWhileConnected);
  syncMethod_ = value;
}

void TCustomComPort::ApplyDCB() {
  ApplyWhileOpen(kLineGroup, comerror::SetStateFailed,
                 [this](driver::Device& device) { return device.SetState(LineRecord()); });
}

void TCustomComPort::ApplyTimeouts() {
  ApplyWhileOpen(kTimeoutGroup, comerror::SetTimeoutsFailed,
                 [this](driver::Device& device) { return device.SetTimeouts(timeouts_.Record()); });
}

void TCustomComPort::ApplyBuffer() {
  ApplyWhileOpen(kBufferGroup, comerror::SetupFailed, [this](driver::Device& device) {
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

// An event action's own driver query; its failure is marked as the action's, so that
// a batch running during a close can tell it from a handler's failure.
template <typename Query>
auto TCustomComPort::Gather(Query&& query) {
  try {
    return query();
  } catch (const EComPort&) {
    actionQueryFailed_ = true;
    throw;
  }
}

void TCustomComPort::NotifyRxChar() {
  if (const std::int32_t count = Gather([this] { return InputCount(); }); count > 0)
    FireRxChar(count);
}
void TCustomComPort::NotifyTxEmpty() { FireTxEmpty(); }
void TCustomComPort::NotifyRxFlag() { FireRxFlag(); }
void TCustomComPort::NotifyRing() { FireRing(); }
void TCustomComPort::NotifyBreak() { FireBreak(); }
void TCustomComPort::NotifyCTSChange() { FireCTSChange(GatherSignals().Contains(csCTS)); }
void TCustomComPort::NotifyDSRChange() { FireDSRChange(GatherSignals().Contains(csDSR)); }
void TCustomComPort::NotifyError() {
  if (const TComErrors errors = Gather([this] { return LastErrors(); }); !errors.Empty())
    FireError(errors);
}
void TCustomComPort::NotifyRLSDChange() { FireRLSDChange(GatherSignals().Contains(csRLSD)); }
TComSignals TCustomComPort::GatherSignals() {
  return Gather([this] { return Signals(); });
}
void TCustomComPort::NotifyRx80Full() { FireRx80Full(); }

void TCustomComPort::RunEventAction(TComEvent event) {
  actionQueryFailed_ = false;
  switch (event) {
    case evRxChar:
      return NotifyRxChar();
    case evTxEmpty:
      return NotifyTxEmpty();
    case evRxFlag:
      return NotifyRxFlag();
    case evRing:
      return NotifyRing();
    case evBreak:
      return NotifyBreak();
    case evCTS:
      return NotifyCTSChange();
    case evDSR:
      return NotifyDSRChange();
    case evError:
      return NotifyError();
    case evRLSD:
      return NotifyRLSDChange();
    case evRx80Full:
      return NotifyRx80Full();
  }
}

// A message names one event by its driver bit; anything else is ignored.
void TCustomComPort::EventWindowProc(const TMessage& message) {
  const TComEvents events = MaskToEvents(message.WParam);
  if (message.Msg != kEventMessage || !std::has_single_bit(message.WParam) || events.Empty())
    return;
  RunEventBatch([&] {
    try {
      RunEventAction(static_cast<TComEvent>(std::countr_zero(events.Bits())));
    } catch (...) {
      appexceptions::Report(std::current_exception());
    }
  });
}

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
