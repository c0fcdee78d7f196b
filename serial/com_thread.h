#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "serial/comport_types.h"
#include "serial/driver/device.h"
#include "serial/driver/event.h"
#include "common/handover.h"

class TCustomComPort;

// The message that hands one line event to the event window; WParam is the event's
// driver bit (EV_*).
inline constexpr std::uint32_t kEventMessage = 1025;  // WM_USER + 1

struct TMessage {
  std::uint32_t Msg = 0;
  std::uint32_t WParam = 0;
};

// The hidden window of the smWindowSync hand-over: a message sent to it runs its
// procedure on the thread that created it, and the send returns once it has run.
class TEventWindow {
 public:
  using Procedure = std::function<void(const TMessage& message)>;
  explicit TEventWindow(Procedure procedure) : procedure_(std::move(procedure)) {}

  void SendMessage(const TMessage& message) const;

 private:
  handover::Target target_;
  Procedure procedure_;
};

// The worker that waits for the port's selected line events on its device and hands
// each batch to the port's event actions, on the thread the port's SyncMethod names.
class TComThread {
 public:
  // Selects the port's events on its open device and starts the thread. `window` is
  // the port's event window, if it has one; it must outlive the thread.
  TComThread(TCustomComPort& port, const TEventWindow* window);
  // Stops the thread and waits for its end, serving the calling thread's hand-overs
  // meanwhile, so that a batch on its way to this thread still runs.
  ~TComThread();
  TComThread(const TComThread&) = delete;
  TComThread& operator=(const TComThread&) = delete;

  void RequestStop();
  // The port lets go of the thread from inside one of its batches, where it cannot wait
  // for it: the batch ends after the running action and the thread ends without
  // touching the port again. Called on the thread that runs the batch.
  void Release();

 private:
  void Run();
  void HandOverEvents();
  void RunEventActions();
  void SendEventMessages();
  // Calls `act` for each pending event in the order the actions run, until released.
  void ForEachPendingEvent(const std::function<void(TComEvent event)>& act);
  void ReportFailures();

  TCustomComPort& ComPort;
  const TEventWindow* window_;
  std::shared_ptr<driver::Device> device_;  // the port's device at the start
  driver::WakeEvent StopEvent;
  TComEvents PendingEvents;
  // Errors of the last batch's actions, reported by this thread once it has them back.
  std::vector<std::exception_ptr> failures_;
  // Set by the thread that runs a batch, read there or after the batch was handed back.
  bool released_ = false;
  handover::Completion ended_;
  std::thread thread_;
};
