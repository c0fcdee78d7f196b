#pragma once

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "serial/comport_settings.h"
#include "serial/comport_types.h"
#include "serial/driver/device.h"
#include "serial/ecomport.h"
#include "common/handover.h"

// The record of one started transfer: the driver's transfer (none until one is
// started) and its kind, which chooses the error code when the wait fails.
struct TAsync {
  std::unique_ptr<driver::Transfer> Transfer;
  TAsyncKind Kind = akWrite;
};

class TCustomComPort;
class TComThread;
class TEventWindow;
struct TMessage;
class TIniFile;
class TRegistry;

// Handler types; `Sender` is always the component. Empty means "not assigned".
using TNotifyEvent = std::function<void(TCustomComPort& Sender)>;
using TRxCharEvent = std::function<void(TCustomComPort& Sender, std::int32_t Count)>;
using TRxBufEvent =
    std::function<void(TCustomComPort& Sender, const void* Buffer, std::int32_t Count)>;
using TComErrorEvent = std::function<void(TCustomComPort& Sender, TComErrors Errors)>;
using TComSignalEvent = std::function<void(TCustomComPort& Sender, bool OnOff)>;

// One serial port: its settings, opening and closing it by name, blocking and started
// transfers, the line status and the RTS line. Settings changed while the port is open
// reach the driver at once, a whole group at a time; while closed they are only stored.
// Every refusal of the driver is raised as EComPort.
//
// While open with a non-empty Events set, an event thread waits for those line events
// and hands each batch to the event actions, which gather the data of each event and
// call its handler: on the main thread (smThreadSync, served whenever the main thread
// processes messages), on the thread that opened the port (smWindowSync), or on the
// event thread itself (smNone, unserialised with the other threads' use of the port).
// Open and the settings belong to the thread that opens the port. A handler may close
// the port or change Port; the rest of its batch is then dropped. Close may also meet
// a Close of another thread (an smNone handler's): one of them closes, and one called
// outside the port's batches returns only once that close is done.
class TCustomComPort {
 public:
  TCustomComPort();
  // Closes the port. A class that overrides an operation the event thread calls closes
  // the port in its own destructor (CloseForDestruction), as TComPort does.
  virtual ~TCustomComPort();
  TCustomComPort(const TCustomComPort&) = delete;
  TCustomComPort& operator=(const TCustomComPort&) = delete;

  // Where devices come from; nullptr (the default) is the process-wide port directory.
  // The factory is not owned and must outlive every open of this component.
  void SetDeviceFactory(driver::DeviceFactory* factory) { factory_ = factory; }

  // --- Connection -------------------------------------------------------------------
  // While loading: the value last given to SetConnected, which Loaded acts on.
  bool Connected() const { return loading_ && connectWish_ ? *connectWish_ : connected_.load(); }
  void SetConnected(bool value);
  const std::string& Port() const { return port_; }
  // Normalises the name; an open port is closed and opened again on a changed name. A
  // close that fails with the device still held keeps the old name.
  void SetPort(const std::string& name);
  // The open device; empty while the port is closed.
  const std::shared_ptr<driver::Device>& Handle() const { return handle_; }

  void Open();
  void Close();

  // While loading, stored settings are only recorded: nothing reaches the driver and
  // SetConnected only marks the port to be opened or closed by Loaded. Loaded ends the
  // loading state and opens or closes the port as marked; a port that stays open
  // receives the groups changed meanwhile, once each, or is opened again on a changed
  // name. A failure goes to the application-wide exception handler, not the caller.
  void BeginLoading() { loading_ = true; }
  bool Loading() const { return loading_; }
  void Loaded();

  // --- Settings ---------------------------------------------------------------------
  TBaudRate BaudRate() const { return baudRate_; }
  void SetBaudRate(TBaudRate value) { ChangeLine(baudRate_, value); }
  std::int32_t CustomBaudRate() const { return customBaudRate_; }
  void SetCustomBaudRate(std::int32_t value) { ChangeLine(customBaudRate_, value); }
  TStopBits StopBits() const { return stopBits_; }
  void SetStopBits(TStopBits value) { ChangeLine(stopBits_, value); }
  TDataBits DataBits() const { return dataBits_; }
  void SetDataBits(TDataBits value) { ChangeLine(dataBits_, value); }
  bool DiscardNull() const { return discardNull_; }
  void SetDiscardNull(bool value) { ChangeLine(discardNull_, value); }
  char EventChar() const { return eventChar_; }
  void SetEventChar(char value) { ChangeLine(eventChar_, value); }

  // The owned settings objects. The setters copy every field of `value` into the owned
  // object (which stays the same object) and re-send the group once.
  TComParity& Parity() { return parity_; }
  const TComParity& Parity() const { return parity_; }
  void SetParity(const TComParity& value);
  TComFlowControl& FlowControl() { return flowControl_; }
  const TComFlowControl& FlowControl() const { return flowControl_; }
  void SetFlowControl(const TComFlowControl& value);
  TComTimeouts& Timeouts() { return timeouts_; }
  const TComTimeouts& Timeouts() const { return timeouts_; }
  void SetTimeouts(const TComTimeouts& value);
  TComBuffer& Buffer() { return buffer_; }
  const TComBuffer& Buffer() const { return buffer_; }
  void SetBuffer(const TComBuffer& value);

  // The line events watched while open; a change takes effect at the next open.
  TComEvents Events() const { return events_; }
  void SetEvents(TComEvents value) { events_ = value; }
  TSyncMethod SyncMethod() const { return syncMethod_; }
  // Refused (code 14) while the port is open.
  void SetSyncMethod(TSyncMethod value);

  // Re-send one group of settings to the driver; nothing while closed or loading.
  virtual void ApplyDCB();
  virtual void ApplyTimeouts();
  virtual void ApplyBuffer();

  // --- Stored settings --------------------------------------------------------------
  // The component's name, which names its section of a settings file.
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  // The groups of settings that saving and loading touch; sgBasic alone at creation.
  TStoredGroups StoredGroups() const { return storedGroups_; }
  void SetStoredGroups(TStoredGroups value) { storedGroups_ = value; }
  // Save the selected settings into the registry key that is open, or into the
  // settings file's section named Name(), or load them from there through the setters
  // (an open port re-sends each changed group at once). A failure of the store or of
  // a setter ends the operation at that value: what came before stays done.
  virtual void SaveToRegistry(TRegistry& registry) const;
  virtual void SaveToIniFile(TIniFile& ini) const;
  virtual void LoadFromRegistry(TRegistry& registry);
  virtual void LoadFromIniFile(TIniFile& ini);

  // --- Transfers --------------------------------------------------------------------
  // A transfer record; DoneAsync releases it and leaves `record` empty.
  static void InitAsync(std::unique_ptr<TAsync>& record);
  static void DoneAsync(std::unique_ptr<TAsync>& record);

  // Start a transfer and return the count moved at once (0 while pending). The memory
  // must stay valid, and untouched, until WaitForAsync has returned.
  std::int32_t WriteAsync(const void* buffer, std::int32_t count, TAsync* record);
  std::int32_t WriteStrAsync(const std::string& bytes, TAsync* record);
  std::int32_t ReadAsync(void* buffer, std::int32_t count, TAsync* record);
  // Sizes `bytes` to `count` and reads into it.
  std::int32_t ReadStrAsync(std::string& bytes, std::int32_t count, TAsync* record);
  // Waits for the end of the transfer (all bytes, or the time-outs) and returns the
  // count moved; after a read the driver's error flags are cleared.
  std::int32_t WaitForAsync(TAsync* record);
  // Ends every pending read and write.
  void AbortAllAsync();

  // Blocking transfers; the count may be smaller than asked when the time-outs expire.
  std::int32_t WriteStr(const std::string& bytes);
  std::int32_t Read(void* buffer, std::int32_t count);
  // Afterwards `bytes` holds exactly the bytes received.
  std::int32_t ReadStr(std::string& bytes, std::int32_t count);

  // --- Line status and control ------------------------------------------------------
  std::int32_t InputCount();  // bytes waiting; clears the driver's error flags
  TComErrors LastErrors();    // errors since the last query, which clears them
  // The line errors that any query of the port has met since the last call (the
  // transfers' own query and the event thread's included), mapped as LastErrors maps
  // them. No other query takes them away, so the owner of a transfer learns whether
  // its bytes arrived garbled even when the event thread asked first.
  TComErrors TakeLineErrors();
  TComSignals Signals();      // modem input lines that are on
  void SetRTS(bool on);

  // --- Handlers -----------------------------------------------------------------------
  TNotifyEvent OnAfterOpen;
  TNotifyEvent OnAfterClose;
  TNotifyEvent OnBeforeOpen;
  TNotifyEvent OnBeforeClose;
  TRxCharEvent OnRxChar;
  TRxBufEvent OnRxBuf;
  TNotifyEvent OnTxEmpty;
  TNotifyEvent OnBreak;
  TNotifyEvent OnRing;
  TComSignalEvent OnCTSChange;
  TComSignalEvent OnDSRChange;
  TComSignalEvent OnRLSDChange;
  TNotifyEvent OnRxFlag;
  TComErrorEvent OnError;
  TNotifyEvent OnRx80Full;

 protected:
  // Closes the port for a destructor: a failure is reported, the device is let go all
  // the same, and every event thread has ended on return.
  void CloseForDestruction() noexcept;

  // Each calls the handler of the same name when it is assigned.
  virtual void FireAfterClose();
  virtual void FireAfterOpen();
  virtual void FireBeforeClose();
  virtual void FireBeforeOpen();
  virtual void FireRxChar(std::int32_t count);
  virtual void FireRxBuf(const void* buffer, std::int32_t count);
  virtual void FireTxEmpty();
  virtual void FireBreak();
  virtual void FireRing();
  virtual void FireRxFlag();
  virtual void FireCTSChange(bool onOff);
  virtual void FireDSRChange(bool onOff);
  virtual void FireError(TComErrors errors);
  virtual void FireRLSDChange(bool onOff);
  virtual void FireRx80Full();

  virtual void CreateHandle();
  virtual void DestroyHandle();
  virtual void SetupComPort();  // queue sizes, line group, time-outs

  // The modem-line sweep that frames a connection: the levels found at opening, every
  // line off at closing.
  void NotifySignals(bool opening);
  // The event actions: each gathers its event's data from the driver and calls the
  // handler. A failing query raises EComPort.
  void NotifyRxChar();  // only when bytes are waiting
  void NotifyTxEmpty();
  void NotifyRxFlag();
  void NotifyRing();
  void NotifyBreak();
  void NotifyCTSChange();
  void NotifyDSRChange();
  void NotifyError();  // only when errors were found; reads and clears them either way
  void NotifyRLSDChange();
  void NotifyRx80Full();

  // The event window's procedure: runs the action of the event a message names, and
  // hands what it raises to the application-wide exception handler.
  void EventWindowProc(const TMessage& message);

 private:
  friend class TComThread;

  void RunEventAction(TComEvent event);
  // Whether the last event action failed in its own driver query, not in a handler.
  bool ActionQueryFailed() const { return actionQueryFailed_; }
  template <typename Query>
  auto Gather(Query&& query);
  TComSignals GatherSignals();
  // Runs a batch of event actions, marked on the calling thread as this port's, so
  // that a Close from one of its handlers knows it must not wait for the thread.
  void RunEventBatch(const std::function<void()>& actions);

  template <typename T>
  void ChangeLine(T& field, T value) {
    if (field == value) return;
    field = value;
    ApplyDCB();
  }
  // The port is open and its settings reach the driver (not while loading).
  bool OpenOutsideLoading() const { return connected_ && !loading_; }
  // What Loaded still owes an open port: the groups to re-send, or a reopen.
  enum PendingChange : unsigned { kBufferGroup = 1, kLineGroup = 2, kTimeoutGroup = 4, kNewPort = 8 };
  // Re-sends a group through `call` while the port is open; an open port that is
  // loading only notes the group for Loaded.
  template <typename Call>
  void ApplyWhileOpen(PendingChange group, int code, Call&& call) {
    if (connected_ && loading_) pendingChanges_ |= group;
    if (OpenOutsideLoading()) OnDevice(code, call);
  }
  // Loaded on a port that was open before the load and is to stay open.
  void ApplyLoadedChanges(unsigned pending);
  // Whether this call is the one to close the port. A close in progress on another
  // thread is waited for first, unless this thread runs one of the port's batches,
  // which that close may be waiting for.
  bool BeginClosing();
  void EndClosing();
  driver::DCB LineRecord() const;
  driver::DeviceFactory& Factory() const;

  // Start and stop watching the selected line events (the event thread).
  void StartEventWatching();
  void StopEventWatching();
  // Waits for the threads that were let go from inside their own batches.
  void ReapReleasedThreads();
  // Lets go of the device and the event thread without the close notifications.
  void ForceClosed();

  template <typename Handler, typename... Args>
  void CallIfAssigned(const Handler& handler, Args... args) {
    if (handler) handler(*this, args...);
  }

  // Runs `call` on the open device, or answers driver::kClosed as the invalid handle does, and
  // raises `code` when the driver refuses.
  template <typename Call>
  void OnDevice(int code, Call&& call) {
    const int error = handle_ ? call(*handle_) : driver::kClosed;
    if (error != 0) throw EComPort(code, error);
  }
  // Starts a read or write through `start(device, count, transfer, immediate)`.
  template <typename Start>
  std::int32_t StartTransfer(TAsyncKind kind, std::int32_t count, TAsync* record, Start&& start);
  template <typename Start>
  std::int32_t TransferBlocking(Start&& start);
  void ClearErrors(std::uint32_t& errors, std::uint32_t& inQueue);
  TComErrors MapErrors(std::uint32_t errors) const;

  std::unique_ptr<TComThread> eventThread_;
  bool threadCreated_ = false;
  std::shared_ptr<driver::Device> handle_;
  // Driver error flags gathered for TakeLineErrors; the event thread adds to them.
  std::atomic<std::uint32_t> lineErrors_{0};
  std::unique_ptr<TEventWindow> eventWindow_;
  // Event threads let go by a Close inside their own batch, each with its window; they
  // end by themselves once the batch returns.
  struct ReleasedWatch;
  std::vector<ReleasedWatch> released_;  // guarded by closeMutex_
  std::atomic<bool> connected_ = false;
  // The thread that runs Close (none while no close runs) and the completion that its
  // end sets for the threads waiting for it; both guarded by closeMutex_.
  std::mutex closeMutex_;
  std::thread::id closer_;
  std::shared_ptr<handover::Completion> closed_;
  bool loading_ = false;
  std::optional<bool> connectWish_;  // SetConnected while loading
  unsigned pendingChanges_ = 0;      // PendingChange bits noted while loading
  bool actionQueryFailed_ = false;
  std::string port_ = "COM1";
  TBaudRate baudRate_ = br9600;
  std::int32_t customBaudRate_ = 9600;
  TStopBits stopBits_ = sbOneStopBit;
  TDataBits dataBits_ = dbEight;
  bool discardNull_ = false;
  char eventChar_ = 0;
  TComEvents events_ = TComEvents::All();
  TSyncMethod syncMethod_ = smThreadSync;
  TComParity parity_{this};
  TComFlowControl flowControl_{this};
  TComTimeouts timeouts_{this};
  TComBuffer buffer_{this};
  driver::DeviceFactory* factory_ = nullptr;
  std::string name_;
  TStoredGroups storedGroups_{sgBasic};
};

// The published face of the component.
class TComPort : public TCustomComPort {
 public:
  // Closes the port while the object is still whole: the event thread may be calling
  // its operations until then.
  ~TComPort() override { CloseForDestruction(); }
};

// "COMn" for n from 1 to 96 taken from the name (with or without a "COM" prefix in any
// letter case, in decimal or hexadecimal); any other name gives "COM1".
std::string NormalizePortName(const std::string& name);
