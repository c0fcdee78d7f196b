#include "serial/com_thread.h"

#include <array>

#include "serial/comport.h"
#include "common/exception_handler.h"

namespace {

// The order in which one batch's actions run: a line error is reported before the
// characters that came with it.
constexpr std::array<TComEvent, evRx80Full + 1> kActionOrder = {
    evError, evRxChar, evTxEmpty, evBreak, evRing, evCTS, evDSR, evRxFlag, evRLSD, evRx80Full};

}  // namespace

void TEventWindow::SendMessage(const TMessage& message) const {
  target_.Send([&] { procedure_(message); });
}

TComThread::TComThread(TCustomComPort& port, const TEventWindow* window)
    : ComPort(port), window_(window), device_(port.Handle()) {
  // Selected before the thread first waits; a refusal shows as a wait that fails.
  device_->SetEventMask(EventsToMask(port.Events()));
  thread_ = std::thread([this] { Run(); });
}

TComThread::~TComThread() {
  RequestStop();
  handover::ServeUntil(ended_);
  thread_.join();
}

void TComThread::RequestStop() {
  StopEvent.Set();
  std::this_thread::yield();
}

void TComThread::Release() {
  released_ = true;
  RequestStop();
}

// A wait that fails ends the watching, as a stop does: the device would refuse the
// next one at once again, and retrying would spin.
void TComThread::Run() {
  std::uint32_t occurred = 0;
  while (!StopEvent.IsSet() && device_->WaitEvent(occurred, StopEvent) == 0) {
    PendingEvents = MaskToEvents(occurred);
    HandOverEvents();
  }
  device_->SetEventMask(0);
  device_->Purge(driver::PURGE_TXCLEAR | driver::PURGE_RXCLEAR);
  ended_.Set();
}

void TComThread::HandOverEvents() {
  switch (ComPort.SyncMethod()) {
    case smThreadSync:
      handover::RunOnMainThread([this] { RunEventActions(); });
      break;
    case smWindowSync:
      SendEventMessages();
      break;
    case smNone:
      RunEventActions();
      break;
  }
  ReportFailures();
}

// An action or handler that fails does not keep the others of the batch from running.
// A batch handed over before a close runs during it, against a device on its way out: a
// failed query of an action tells nothing the close does not (a device that has gone
// refuses its abort), and reported from this thread it would reach the user a second
// time, late. What a handler raises is the user's own and is always reported.
void TComThread::RunEventActions() {
  ComPort.RunEventBatch([this] {
    ForEachPendingEvent([this](TComEvent event) {
      try {
        ComPort.RunEventAction(event);
      } catch (...) {
        if (!StopEvent.IsSet() || !ComPort.ActionQueryFailed())
          failures_.push_back(std::current_exception());
      }
    });
  });
}

void TComThread::SendEventMessages() {
  ForEachPendingEvent([this](TComEvent event) {
    window_->SendMessage(TMessage{kEventMessage, EventsToMask({event})});
  });
}

void TComThread::ForEachPendingEvent(const std::function<void(TComEvent event)>& act) {
  for (const TComEvent event : kActionOrder) {
    if (released_) return;
    if (PendingEvents.Contains(event)) act(event);
  }
}

// On this thread, never inside the hand-over: the main thread may be closing the port
// and must not stop for a message box.
void TComThread::ReportFailures() {
  for (const std::exception_ptr& failure : failures_) appexceptions::Report(failure);
  failures_.clear();
}
