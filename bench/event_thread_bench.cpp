// What the event thread costs while the line is idle, and how soon a byte's arrival
// reaches its handler, with the card programmer's port open on a simulated reader that
// runs in real time.

#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/card_port.h"
#include "cpu_time.h"
#include "report.h"
#include "serial/comport.h"
#include "serial/driver/sim/simulation.h"
#include "serial/driver/sim/waveform.h"
#include "serial/handover.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;
using driver::sim::TraceEntry;

constexpr auto kIdleSpan = std::chrono::seconds(5);
constexpr int kArrivals = 101;
constexpr double kIdleCpuTargetPercent = 0.5;
constexpr double kLatencyTargetMs = 1;

// A simulated reader in real time and the card programmer's port open on it, with
// `onRxChar` as its only handler.
class OpenPort {
 public:
  explicit OpenPort(TSyncMethod mode, const TRxCharEvent& onRxChar = {})
      : epoch_(Clock::now()),
        simulation_(Setup(), std::make_shared<driver::sim::ScaledClock>(1.0)) {
    port_.SetDeviceFactory(&simulation_);
    ApplyCardPortSettings(port_);
    port_.SetSyncMethod(mode);
    port_.OnRxChar = onRxChar;
    port_.Open();
  }

  // Resets the card, which answers with its ATR; returns when its first byte was in.
  Clock::time_point FirstByteOfTheAnswer() {
    port_.SetRTS(true);
    port_.SetRTS(false);
    for (const TraceEntry& entry : simulation_.Trace())
      if (entry.kind == TraceEntry::CardByte)
        return epoch_ + entry.at + driver::sim::kCardFormat.Length();
    throw std::runtime_error("the card did not answer");
  }

 private:
  static driver::sim::ReaderSetup Setup() {
    driver::sim::ReaderSetup setup;
    setup.trace = true;
    return setup;
  }

  // The simulation's epoch within a microsecond: taken just before its clock is made.
  Clock::time_point epoch_;
  driver::sim::Simulation simulation_;
  TComPort port_;
};

// The process's CPU time over an idle span, in per cent of one core; the main thread
// serves hand-overs meanwhile, as the window's message loop does.
double IdleCpuPercent() {
  const OpenPort open(smThreadSync);
  const handover::Completion never;
  const auto cpu = ProcessCpuTime();
  const auto start = Clock::now();
  handover::ServeUntil(never, kIdleSpan);
  const std::chrono::duration<double> wall = Clock::now() - start;
  return 100 * (ProcessCpuTime() - cpu) / wall;
}

// From the arrival of the card's first byte to the start of OnRxChar, on a fresh port.
Milliseconds OneHandOver(TSyncMethod mode) {
  handover::Completion handled;
  Clock::time_point handledAt;
  OpenPort open(mode, [&](TCustomComPort&, std::int32_t) {
    if (handled.IsSet()) return;
    handledAt = Clock::now();
    handled.Set();
  });
  const auto arrived = open.FirstByteOfTheAnswer();
  if (!handover::ServeUntil(handled, std::chrono::seconds(5)))
    throw std::runtime_error("no hand-over");
  return handledAt - arrived;
}

Milliseconds MedianHandOver(TSyncMethod mode) {
  std::vector<Milliseconds> latencies;
  for (int i = 0; i < kArrivals; ++i) latencies.push_back(OneHandOver(mode));
  std::nth_element(latencies.begin(), latencies.begin() + kArrivals / 2, latencies.end());
  return latencies[kArrivals / 2];
}

}  // namespace

int main() {
  PrintRow({"Event thread idle 5 s, all ten events (CPU of one core)", IdleCpuPercent(), "%",
            kIdleCpuTargetPercent, 1, "< 0.5 %"});
  const struct {
    TSyncMethod mode;
    const char* name;
  } modes[] = {{smThreadSync, "smThreadSync"}, {smWindowSync, "smWindowSync"}, {smNone, "smNone"}};
  for (const auto& m : modes) {
    PrintRow({std::string("Event hand-over after a byte, ") + m.name + ", median of " +
                  std::to_string(kArrivals),
              MedianHandOver(m.mode).count(), "ms", kLatencyTargetMs, 1, "< 1 ms"});
  }
  return 0;
}
