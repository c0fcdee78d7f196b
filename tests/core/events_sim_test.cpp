// Line events of the simulated reader through the component: the card's bytes, line
// errors, the reader's modem lines, and the card programmer's port with its event
// thread running through whole card operations.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "card/card_link.h"
#include "card/card_port.h"
#include "card/buffer.h"
#include "serial/comport.h"
#include "sim/card.h"
#include "sim/card_memory.h"
#include "sim/simulation.h"
#include "support/event_watching.h"
#include "support/recording_toolkit.h"
#include "support/sim_link.h"

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;
using driver::sim::ReaderSetup;
using test_support::ReportedMessages;
using test_support::ServeWhileWaiting;

namespace {

ReaderSetup FastReader() {
  ReaderSetup setup;
  setup.eeprom = driver::sim::Eeprom::k24C16;
  setup.speedFactor = 50;
  return setup;
}

// What handlers saw, from whichever thread they ran on.
class HandlerLog {
 public:
  void Add(const std::string& entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
  }
  Strings Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
  }
  bool Contains(const std::string& entry) const {
    const Strings entries = Entries();
    return std::find(entries.begin(), entries.end(), entry) != entries.end();
  }

 private:
  mutable std::mutex mutex_;
  Strings entries_;
};

class SimEvents : public ::testing::TestWithParam<TSyncMethod> {
 protected:
  explicit SimEvents(ReaderSetup setup = FastReader()) : simulation(setup) {
    port.SetDeviceFactory(&simulation);
    ApplyCardPortSettings(port);
    port.SetSyncMethod(GetParam());
  }

  void PulseRts() {
    port.SetRTS(true);
    port.SetRTS(false);
  }

  driver::sim::Simulation simulation;
  TComPort port;
  HandlerLog log;
};

INSTANTIATE_TEST_SUITE_P(Events, SimEvents, ::testing::Values(smThreadSync, smWindowSync, smNone),
                         test_support::SyncMethodName);

}  // namespace

// A handler that reads what it is told of ends up with exactly the card's answer.
TEST_P(SimEvents, TheHandlerReadsTheAnswerToResetAsItIsAnnounced) {
  std::string received;
  handover::Completion complete;
  port.OnRxChar = [&](TCustomComPort& sender, std::int32_t count) {
    std::string chunk;
    sender.ReadStr(chunk, count);
    log.Add(std::to_string(count) +
            (static_cast<std::int32_t>(chunk.size()) == count ? "" : " short"));
    received += chunk;
    if (received.size() >= 11) complete.Set();
  };
  port.Open();
  PulseRts();
  ASSERT_TRUE(handover::ServeUntil(complete, 5s));
  EXPECT_EQ(Hex(received), Hex(Coded(driver::sim::GoodAtr())));
  for (const std::string& entry : log.Entries()) EXPECT_EQ(entry.find("short"), std::string::npos);
  port.Close();
}

// The card sends odd parity; checked as even, every byte arrives with a parity error,
// which is reported before the byte itself.
TEST_P(SimEvents, ALineErrorIsReportedBeforeTheCharactersThatCameWithIt) {
  port.Parity().SetBits(prEven);
  port.Parity().SetCheck(true);
  handover::Completion allArrived;
  port.OnError = [&](TCustomComPort&, TComErrors errors) {
    log.Add("OnError " + std::to_string(errors.Bits()));
  };
  port.OnRxChar = [&](TCustomComPort&, std::int32_t count) {
    log.Add("OnRxChar");
    if (count == 11) allArrived.Set();
  };
  port.Open();
  PulseRts();
  ASSERT_TRUE(handover::ServeUntil(allArrived, 5s));
  const Strings entries = log.Entries();
  ASSERT_GE(entries.size(), 2u);
  EXPECT_EQ(entries[0], "OnError 2");  // ceRxParity
  EXPECT_EQ(entries[1], "OnRxChar");
  for (const std::string& entry : entries) EXPECT_TRUE(entry == "OnError 2" || entry == "OnRxChar");
  port.Close();
}

namespace {

class ReaderLines : public SimEvents {
 protected:
  static ReaderSetup PulledAfterOneCommand() {
    ReaderSetup setup = FastReader();
    setup.cardPulledAfter = 1;
    return setup;
  }
  ReaderLines() : SimEvents(PulledAfterOneCommand()) {
    const auto level = [this](const std::string& name) {
      return [this, name](TCustomComPort&, bool on) { log.Add(name + (on ? " 1" : " 0")); };
    };
    port.OnCTSChange = level("CTS");
    port.OnDSRChange = level("DSR");
    port.OnRLSDChange = level("RLSD");
  }

  void ExpectSoon(const std::string& entry) {
    EXPECT_TRUE(ServeWhileWaiting([&] { return log.Contains(entry); })) << entry;
  }
};

INSTANTIATE_TEST_SUITE_P(Events, ReaderLines, ::testing::Values(smThreadSync, smWindowSync, smNone),
                         test_support::SyncMethodName);

}  // namespace

// The reader loops DTR back to DSR, and its carrier detect goes off with the card.
TEST_P(ReaderLines, ModemLineChangesAreReportedWithTheLevelFound) {
  port.Open();
  EXPECT_EQ(log.Entries(), (Strings{"CTS 1", "DSR 0", "RLSD 1"}));
  port.FlowControl().SetControlDTR(dtrEnable);
  ExpectSoon("DSR 1");
  port.FlowControl().SetControlDTR(dtrDisable);
  ExpectSoon("DSR 0");

  PulseRts();
  std::string answer;
  ASSERT_EQ(port.ReadStr(answer, 11), 11);
  port.WriteStr(ReadHeader(0, 1));
  ASSERT_EQ(port.ReadStr(answer, 9), 9);
  ExpectSoon("RLSD 0");
  port.Close();
  EXPECT_EQ(log.Entries(), (Strings{"CTS 1", "DSR 0", "RLSD 1", "DSR 1", "DSR 0", "RLSD 0", "CTS 0",
                                    "DSR 0", "RLSD 0"}));
}

// The card programmer's port keeps its event thread busy (all ten events, handed to the
// main thread, no handlers) through a whole read, write and erase of the card.
TEST(CardProgrammerPort, ReadsWritesAndErasesWithItsEventThreadRunning) {
  const ReportedMessages reported;
  driver::sim::Simulation simulation(FastReader());
  TComPort port;
  port.SetDeviceFactory(&simulation);
  ApplyCardPortSettings(port);
  ASSERT_EQ(port.Events(), TComEvents::All());
  ASSERT_EQ(port.SyncMethod(), smThreadSync);
  RecordingToolkit toolkit;
  toolkit.onMessages = [] { handover::ServePending(); };
  std::atomic<int> handedOver = 0;  // batches queued for the main thread
  handover::SetWakeHandler([&handedOver] { ++handedOver; });
  const EepromSize& size = kEepromSizes[0];  // the simulated 24C16
  TCardLink link(port, toolkit, nullptr);
  link.PageSize = size.pageSize;

  TBuffer card;
  card.SetCapacity(size.capacity);
  link.ReadCard("Lettura", card);
  EXPECT_EQ(card.Data(), simulation.Memory());
  EXPECT_EQ(card.GetItem(100), driver::sim::PatternByte(100));

  std::string data(card.Data().size(), '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + 3);
  card.SetData(data);
  link.WriteCard("Scrittura", card);
  EXPECT_EQ(simulation.Memory(), data);

  const std::string erased(data.size(), '\xFF');
  card.SetData(erased);
  link.WriteCard("Cancellazione", card);
  EXPECT_EQ(simulation.Memory(), erased);

  EXPECT_FALSE(port.Connected());
  handover::SetWakeHandler({});
  EXPECT_GT(handedOver, 0);
  EXPECT_EQ(reported.Messages(), Strings{});
}
