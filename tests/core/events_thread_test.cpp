// The event thread and the event actions over the recording driver: what is selected,
// which driver queries each action makes, which handlers it calls and in what order, on
// which thread, and what survives failures and a Close from a handler.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "serial/com_thread.h"
#include "support/comport_fixture.h"
#include "support/event_watching.h"

using Strings = std::vector<std::string>;
using namespace std::chrono_literals;
using namespace driver;
using test_support::ReportedMessages;
using test_support::ServeWhileWaiting;

namespace {

class EventThreadTest : public ComPortTest {
 protected:
  EventThreadTest() { port.SetEvents(TComEvents::All()); }

  std::size_t Waits() const {
    const Strings calls = driver.Calls();
    return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), "WaitEvent"));
  }

  bool Logged(const std::string& call) const {
    const Strings calls = driver.Calls();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }

  // The driver's calls without the event thread's waits, whose place among the others
  // depends on timing.
  Strings CallsWithoutWaits() const {
    Strings calls = driver.Calls();
    std::erase(calls, "WaitEvent");
    return calls;
  }

  // Opens the port, lets its event thread start waiting and forgets the calls so far.
  void OpenWatching() {
    port.Open();
    ASSERT_TRUE(ServeWhileWaiting([&] { return Waits() == 1; }));
    driver.ClearCalls();
  }

  // Queues one batch and serves hand-overs until the thread waits again after it.
  void HandOver(std::uint32_t events) {
    const std::size_t before = Waits();
    driver.QueueEvents(events);
    ASSERT_TRUE(ServeWhileWaiting([&] { return Waits() > before; }));
  }

  // Every event handler logs itself, with its arguments, between the driver's calls.
  void LogEventHandlers() {
    LogConnectionHandlers();
    const auto note = [this](const std::string& name) {
      return [this, name](TCustomComPort&) { driver.Note(name); };
    };
    port.OnRxChar = [this](TCustomComPort&, std::int32_t count) {
      driver.Note("OnRxChar " + std::to_string(count));
      std::lock_guard lock(mutex_);
      handlerThreads_.push_back(std::this_thread::get_id());
    };
    port.OnRxBuf = [this](TCustomComPort&, const void*, std::int32_t) { driver.Note("OnRxBuf"); };
    port.OnError = [this](TCustomComPort&, TComErrors errors) {
      driver.Note("OnError " + std::to_string(errors.Bits()));
    };
    port.OnTxEmpty = note("OnTxEmpty");
    port.OnBreak = note("OnBreak");
    port.OnRing = note("OnRing");
    port.OnRxFlag = note("OnRxFlag");
    port.OnRx80Full = note("OnRx80Full");
  }

  std::vector<std::thread::id> HandlerThreads() const {
    std::lock_guard lock(mutex_);
    return handlerThreads_;
  }

  mutable std::mutex mutex_;
  std::vector<std::thread::id> handlerThreads_;
};

class EveryMode : public EventThreadTest, public ::testing::WithParamInterface<TSyncMethod> {
 protected:
  EveryMode() { port.SetSyncMethod(GetParam()); }
};

// The modes in which the event thread waits for another thread to run its batches.
using HandedOver = EveryMode;

INSTANTIATE_TEST_SUITE_P(Events, EveryMode, ::testing::Values(smThreadSync, smWindowSync, smNone),
                         test_support::SyncMethodName);
INSTANTIATE_TEST_SUITE_P(Events, HandedOver, ::testing::Values(smThreadSync, smWindowSync),
                         test_support::SyncMethodName);

const Strings kOpening = {"OnBeforeOpen closed", "Open COM1", "SetQueueSizes 1024 1024",
                          kFreshState, kFreshTimeouts};

}  // namespace

TEST_F(EventThreadTest, WatchingStartsAfterTheSettingsAndEndsBeforeTheDeviceCloses) {
  LogConnectionHandlers();
  driver.SetModemStatus(MS_DSR_ON);
  port.Open();
  ASSERT_TRUE(ServeWhileWaiting([&] { return Waits() == 1; }));
  port.Close();
  Strings expected = kOpening;
  expected.insert(expected.end(),
                  {"SetEventMask 0x5ff", "OnAfterOpen connected", "ModemStatus", "OnCTSChange 0",
                   "ModemStatus", "OnDSRChange 1", "ModemStatus", "OnRLSDChange 0", "OnCTSChange 0",
                   "OnDSRChange 0", "OnRLSDChange 0", "OnBeforeClose connected", "Purge 0x3",
                   "SetEventMask 0x0", "Purge 0xc", "Close", "OnAfterClose closed"});
  EXPECT_EQ(CallsWithoutWaits(), expected);
  EXPECT_EQ(driver.OpenDevices(), 0);
}

TEST_F(EventThreadTest, TheSelectionIsTheDriverBitsOfEvents) {
  const struct {
    TComEvents events;
    const char* selected;  // nullptr: no thread at all
  } cases[] = {
      {TComEvents::All(), "SetEventMask 0x5ff"},
      {{evRxChar, evRing}, "SetEventMask 0x101"},
      {{evCTS, evDSR, evRLSD}, "SetEventMask 0x38"},
      {{evRx80Full}, "SetEventMask 0x400"},
      {{}, nullptr},
  };
  for (const auto& c : cases) {
    port.SetEvents(c.events);
    port.Open();
    if (c.selected) {
      ASSERT_TRUE(ServeWhileWaiting([&] { return Waits() == 1; }));
      EXPECT_EQ(CallsWithoutWaits().at(4), c.selected);
    }
    port.Close();
    const Strings calls = driver.Calls();
    EXPECT_EQ(
        std::count_if(calls.begin(), calls.end(),
                      [](const std::string& call) { return call.starts_with("SetEventMask"); }),
        c.selected ? 2 : 0)
        << c.events.Bits();
    driver.ClearCalls();
  }
}

TEST_F(EventThreadTest, EventsWrittenWhileOpenWaitForTheNextOpening) {
  port.SetEvents({evRxChar});
  OpenWatching();
  port.SetEvents({evRing});
  EXPECT_EQ(driver.Calls(), Strings{});
  port.Close();
  port.Open();
  EXPECT_EQ(CallsWithoutWaits().at(8), "SetEventMask 0x100");
}

// One batch of all ten events: each action makes its own query, the handlers follow the
// fixed order (a line error before the characters), and OnRxBuf is never called.
TEST_P(EveryMode, OneBatchRunsTheActionsInTheirOrderWithTheirOwnQueries) {
  LogEventHandlers();
  driver.SetModemStatus(MS_CTS_ON | MS_RLSD_ON);
  OpenWatching();
  driver.Feed("abc");
  driver.RaiseErrors(CE_FRAME | CE_BREAK);
  HandOver(0x05FF);
  EXPECT_EQ(CallsWithoutWaits(),
            (Strings{"ClearErrors", "OnError 9", "ClearErrors", "OnRxChar 3", "OnTxEmpty",
                     "OnBreak", "OnRing", "ModemStatus", "OnCTSChange 1", "ModemStatus",
                     "OnDSRChange 0", "OnRxFlag", "ModemStatus", "OnRLSDChange 1", "OnRx80Full"}));
  EXPECT_EQ(driver.Waiting(), 3u);  // announced, not taken

  const auto handlerThread = HandlerThreads().at(0);
  if (GetParam() == smNone)
    EXPECT_NE(handlerThread, std::this_thread::get_id());
  else
    EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

// Nothing waiting and only errors that are not reported: the queries are made, so the
// driver's error state is read and cleared, but no handler is called.
TEST_P(EveryMode, ActionsThatFindNothingCallNoHandler) {
  LogEventHandlers();
  OpenWatching();
  driver.RaiseErrors(CE_RXPARITY);  // reported only while parity is checked
  HandOver(EV_RXCHAR | EV_ERR);
  EXPECT_EQ(CallsWithoutWaits(), (Strings{"ClearErrors", "ClearErrors"}));

  port.Parity().SetCheck(true);
  EXPECT_TRUE(port.LastErrors().Empty());
}

// A failing handler or driver query is reported, and the batch and the thread go on.
TEST_P(EveryMode, FailuresAreReportedAndTheThreadGoesOn) {
  const ReportedMessages reported;
  LogEventHandlers();
  port.OnError = [](TCustomComPort&, TComErrors) { throw std::runtime_error("handler failed"); };
  OpenWatching();
  driver.Feed("x");
  driver.RaiseErrors(CE_OVERRUN);
  driver.Fail("ModemStatus", EIO);
  HandOver(EV_ERR | EV_CTS | EV_RXCHAR);
  driver.Heal("ModemStatus");
  HandOver(EV_DSR);
  EXPECT_EQ(CallsWithoutWaits(), (Strings{"ClearErrors", "ClearErrors", "OnRxChar 1", "ModemStatus",
                                          "ModemStatus", "OnDSRChange 0"}));
  EXPECT_EQ(reported.Messages(),
            (Strings{"handler failed", "GetCommModemStatus function failed (win error code: 5)"}));
  EXPECT_TRUE(port.Connected());
}

TEST_P(EveryMode, CloseFromAHandlerDropsTheRestOfTheBatchAndThePortOpensAgain) {
  LogEventHandlers();
  handover::Completion closed;
  port.OnRxChar = [&](TCustomComPort& sender, std::int32_t) {
    driver.Note("OnRxChar");
    sender.Close();
  };
  port.OnAfterClose = [&](TCustomComPort&) {
    driver.Note("OnAfterClose");
    closed.Set();
  };
  OpenWatching();
  driver.Feed("x");
  driver.QueueEvents(EV_RXCHAR | EV_TXEMPTY);
  ASSERT_TRUE(handover::ServeUntil(closed, 5s));
  ASSERT_TRUE(ServeWhileWaiting([&] { return Logged("Purge 0xc"); }));
  EXPECT_EQ(CallsWithoutWaits(),
            (Strings{"ClearErrors", "OnRxChar", "OnCTSChange 0", "OnDSRChange 0", "OnRLSDChange 0",
                     "OnBeforeClose connected", "Purge 0x3", "Close", "OnAfterClose",
                     "SetEventMask 0x0", "Purge 0xc"}));
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(driver.OpenDevices(), 0);

  port.OnRxChar = {};
  driver.ClearCalls();
  OpenWatching();
  HandOver(EV_TXEMPTY);
  EXPECT_EQ(CallsWithoutWaits(), Strings{"OnTxEmpty"});
}

TEST_P(EveryMode, ChangingPortFromAHandlerWatchesTheNewDevice) {
  LogEventHandlers();
  handover::Completion reopened;
  port.OnRxChar = [](TCustomComPort& sender, std::int32_t) { sender.SetPort("COM2"); };
  port.OnAfterOpen = [&](TCustomComPort&) { reopened.Set(); };
  OpenWatching();
  driver.Feed("x");
  driver.QueueEvents(EV_RXCHAR | EV_TXEMPTY);
  ASSERT_TRUE(handover::ServeUntil(reopened, 5s));
  // The new thread's first wait, and the old one's end: then only the new one waits.
  ASSERT_TRUE(ServeWhileWaiting([&] { return Waits() == 1 && Logged("Purge 0xc"); }))
      << ::testing::PrintToString(driver.Calls());
  EXPECT_FALSE(Logged("OnTxEmpty"));
  EXPECT_TRUE(Logged("Open COM2"));
  EXPECT_EQ(port.Port(), "COM2");
  EXPECT_TRUE(port.Connected());
  EXPECT_EQ(driver.OpenDevices(), 1);

  driver.ClearCalls();
  HandOver(EV_RING);
  EXPECT_EQ(CallsWithoutWaits(), Strings{"OnRing"});
}

// A batch on its way to the main thread when Close begins runs during the close, before
// the thread ends and the device is closed.
TEST_P(HandedOver, ABatchWaitingForTheOpeningThreadRunsDuringClose) {
  LogEventHandlers();
  OpenWatching();
  driver::WakeEvent queued;
  handover::SetWakeHandler([&queued] { queued.Set(); });
  driver.Feed("ab");
  driver.QueueEvents(EV_RXCHAR);
  const bool handedOver = queued.Wait(5s);
  handover::SetWakeHandler({});
  ASSERT_TRUE(handedOver);
  port.Close();
  EXPECT_EQ(CallsWithoutWaits(),
            (Strings{"OnCTSChange 0", "OnDSRChange 0", "OnRLSDChange 0", "OnBeforeClose connected",
                     "Purge 0x3", "ClearErrors", "OnRxChar 2", "SetEventMask 0x0", "Purge 0xc",
                     "Close", "OnAfterClose closed"}));
}

// The device of a port being closed may be gone: a driver query of a batch that runs
// during the close fails unreported (the close's own abort tells), a handler's failure
// is still reported.
TEST_F(EventThreadTest, ABatchRunDuringCloseReportsOnlyItsHandlersFailures) {
  const ReportedMessages reported;
  OpenWatching();
  port.OnTxEmpty = [](TCustomComPort& sender) { sender.InputCount(); };
  driver.Fail("ClearErrors", EIO);
  driver::WakeEvent queued;
  handover::SetWakeHandler([&queued] { queued.Set(); });
  driver.QueueEvents(EV_RXCHAR | EV_TXEMPTY);
  const bool handedOver = queued.Wait(5s);
  handover::SetWakeHandler({});
  ASSERT_TRUE(handedOver);
  port.Close();
  EXPECT_EQ(reported.Messages(), Strings{"ClearCommError function failed (win error code: 5)"});
  EXPECT_TRUE(Logged("ClearErrors"));
  EXPECT_EQ(driver.OpenDevices(), 0);
}

// Closing from a handler of a batch that runs during Close leaves the work to that Close.
TEST_F(EventThreadTest, CloseFromAHandlerDuringCloseClosesOnce) {
  LogEventHandlers();
  port.OnRxChar = [](TCustomComPort& sender, std::int32_t) { sender.Close(); };
  OpenWatching();
  driver::WakeEvent queued;
  handover::SetWakeHandler([&queued] { queued.Set(); });
  driver.Feed("a");
  driver.QueueEvents(EV_RXCHAR | EV_TXEMPTY);
  const bool handedOver = queued.Wait(5s);
  handover::SetWakeHandler({});
  ASSERT_TRUE(handedOver);
  port.Close();
  const Strings calls = CallsWithoutWaits();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "OnAfterClose closed"), 1);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "OnTxEmpty"), 1);
  EXPECT_EQ(calls.back(), "OnAfterClose closed");
  EXPECT_EQ(driver.OpenDevices(), 0);
}

// An smNone handler's Close beside the main thread's Close or destruction closes once.
TEST_F(EventThreadTest, AHandlerClosingOnTheEventThreadBesideTheMainThreadClosesOnce) {
  for (int round = 0; round < 20; ++round) {
    auto racing = std::make_unique<TComPort>();
    racing->SetDeviceFactory(&driver);
    racing->SetSyncMethod(smNone);
    driver::WakeEvent ringing;
    racing->OnRing = [&ringing](TCustomComPort& sender) {
      ringing.Set();
      sender.Close();
    };
    racing->OnAfterClose = [this](TCustomComPort&) { driver.Note("closed"); };
    racing->Open();
    driver.QueueEvents(EV_RING | EV_RX80FULL);
    ASSERT_TRUE(ringing.Wait(5s));
    round % 2 ? racing.reset() : racing->Close();
    EXPECT_EQ(driver.OpenDevices(), 0);
  }
  const Strings calls = driver.Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "closed"), 20);
}

// A device that refuses the wait would refuse the next one at once: the thread stops
// watching instead of spinning, and the port stays open until it is closed.
TEST_F(EventThreadTest, AFailedWaitEndsTheWatching) {
  driver.Fail("WaitEvent", EIO);
  port.Open();
  ASSERT_TRUE(ServeWhileWaiting([&] { return Logged("Purge 0xc"); }));
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(Waits(), 1u);
  EXPECT_TRUE(port.Connected());
  driver.ClearCalls();
  port.Close();
  EXPECT_EQ(driver.Calls(), (Strings{"Purge 0x3", "Close"}));
}

// The window's procedure runs on the thread that opened the port, not the main thread.
TEST_F(EventThreadTest, WindowSyncRunsTheActionsOnTheOpeningThread) {
  port.SetSyncMethod(smWindowSync);
  std::thread::id handlerThread;
  std::thread::id openingThread;
  std::thread opener([&] {
    openingThread = std::this_thread::get_id();
    handover::Completion handled;
    port.OnRing = [&](TCustomComPort&) {
      handlerThread = std::this_thread::get_id();
      handled.Set();
    };
    port.Open();
    driver.QueueEvents(EV_RING);
    EXPECT_TRUE(handover::ServeUntil(handled, 5s));
    port.Close();
  });
  opener.join();
  EXPECT_EQ(handlerThread, openingThread);
  EXPECT_EQ(driver.OpenDevices(), 0);
}

// One message per event: a batch of one event calls exactly that event's handler.
TEST_F(EventThreadTest, WindowSyncHandsOverOneMessagePerEvent) {
  port.SetSyncMethod(smWindowSync);
  LogEventHandlers();
  driver.SetModemStatus(MS_RLSD_ON);
  OpenWatching();
  HandOver(EV_RLSD);
  HandOver(EV_RING);
  EXPECT_EQ(CallsWithoutWaits(), (Strings{"ModemStatus", "OnRLSDChange 1", "OnRing"}));
}

namespace {

class WindowProcedure : public TComPort {
 public:
  using TCustomComPort::EventWindowProc;
};

}  // namespace

TEST(EventWindowProc, OnlyTheEventMessageWithOneEventBitRunsAnAction) {
  recording::RecordingDriver driver;
  WindowProcedure port;
  port.SetDeviceFactory(&driver);
  port.SetEvents({});
  port.Open();
  port.OnRing = [&](TCustomComPort&) { driver.Note("OnRing"); };
  port.OnRxChar = [&](TCustomComPort&, std::int32_t) { driver.Note("OnRxChar"); };
  driver.Feed("x");
  driver.ClearCalls();
  const struct {
    TMessage message;
    Strings calls;
  } cases[] = {
      {{kEventMessage, EV_RING}, {"OnRing"}},
      {{kEventMessage, EV_RXCHAR}, {"ClearErrors", "OnRxChar"}},
      {{kEventMessage, EV_RING | EV_RXCHAR}, {}},
      {{kEventMessage, 0x0200}, {}},
      {{kEventMessage, 0}, {}},
      {{kEventMessage - 1, EV_RING}, {}},
  };
  for (const auto& c : cases) {
    port.EventWindowProc(c.message);
    EXPECT_EQ(driver.Calls(), c.calls) << c.message.Msg << " " << c.message.WParam;
    driver.ClearCalls();
  }
}

// The hand-over mode of a running thread cannot change, not even while settings load.
TEST_F(EventThreadTest, SyncMethodOfAnOpenPortIsRefusedAlsoWhileLoading) {
  port.Open();
  port.BeginLoading();
  EXPECT_THROW(port.SetSyncMethod(smNone), EComPort);
  EXPECT_EQ(port.SyncMethod(), smThreadSync);
}
