// What the event thread costs while the line is idle, with the card programmer's port
// open on a simulated reader that runs in real time and on a pseudo-terminal through
// the Linux backend; how soon a byte's arrival reaches its handler; and how soon the
// Linux backend's line watch leaves a wait blocked in the kernel.

#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "card/card_port.h"
#include "cpu_time.h"
#include "report.h"
#include "serial/comport.h"
#include "serial/driver/directory.h"
#include "serial/driver/posix/line_watch.h"
#include "serial/driver/records.h"
#include "sim/simulation.h"
#include "sim/waveform.h"
#include "common/handover.h"
#include "support/played_modem_lines.h"
#include "support/pseudo_terminal.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;
using driver::sim::TraceEntry;

constexpr auto kIdleSpan = std::chrono::seconds(5);
constexpr int kArrivals = 101;
constexpr int kCancels = 201;
// Long enough for the watch to be inside the read, not on its way there, where the
// first signal is lost and the second comes a millisecond later.
constexpr std::chrono::milliseconds kIntoTheRead{5};
constexpr double kIdleCpuTargetPercent = 0.5;
constexpr double kLinuxIdleCpuTargetPercent = 0.05;
constexpr double kLatencyTargetMs = 1;
constexpr double kCancelTargetMs = 10;

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

// The process's CPU time over an idle span, in per cent of one core, with the port the
// caller opened; the main thread serves hand-overs meanwhile, as the window's message
// loop does.
double IdleCpuPercent() {
  const handover::Completion never;
  const auto cpu = ProcessCpuTime();
  const auto start = Clock::now();
  handover::ServeUntil(never, kIdleSpan);
  const std::chrono::duration<double> wall = Clock::now() - start;
  return 100 * (ProcessCpuTime() - cpu) / wall;
}

double SimulatedReaderIdle() {
  const OpenPort open(smThreadSync);
  return IdleCpuPercent();
}

// A pseudo-terminal has no modem lines, so no line watch runs beside the event thread.
double PseudoTerminalIdle() {
  const test_support::PseudoTerminal pty;
  driver::PortDirectory directory;
  directory.MapPort("COM5", pty.Path());
  TComPort port;
  port.SetDeviceFactory(&directory);
  ApplyCardPortSettings(port);
  port.SetPort("COM5");
  port.Open();
  return IdleCpuPercent();
}

// From the end of a line watch, blocked in a read as in the kernel's wait on the
// lines, until its thread has been joined; sorted.
std::vector<Milliseconds> LineWatchCancels() {
  test_support::PlayedModemLines lines;
  driver::WakeEvent moved;
  std::vector<Milliseconds> cancels;
  for (int i = 1; i <= kCancels; ++i) {
    auto watch = std::make_unique<driver::posix::LineWatch>(lines, driver::EV_CTS, moved);
    if (!lines.Entered(i)) throw std::runtime_error("the line watch did not wait");
    std::this_thread::sleep_for(kIntoTheRead);
    const auto start = Clock::now();
    watch.reset();
    cancels.push_back(Clock::now() - start);
  }
  std::sort(cancels.begin(), cancels.end());
  return cancels;
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
  PrintRow({"Event thread idle 5 s, all ten events (CPU of one core)", SimulatedReaderIdle(), "%",
            kIdleCpuTargetPercent, 1, "< 0.5 %"});
  PrintRow({"Event thread idle 5 s on a pty, Linux backend, all ten events (CPU of one core)",
            PseudoTerminalIdle(), "%", kLinuxIdleCpuTargetPercent, 1, "< 0.05 %"});
  const std::vector<Milliseconds> cancels = LineWatchCancels();
  const std::string ofCancels = " of " + std::to_string(kCancels);
  PrintRow({"Line watch cancel while blocked, median" + ofCancels, cancels[kCancels / 2].count(),
            "ms", kCancelTargetMs, 1, "< 10 ms"});
  PrintRow({"Line watch cancel while blocked, 99th percentile" + ofCancels,
            cancels[kCancels * 99 / 100].count(), "ms", kCancelTargetMs, 1, "< 10 ms"});
  PrintRow({"Line watch cancel while blocked, worst" + ofCancels, cancels.back().count(), "ms",
            std::nullopt, 1, "-"});
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
