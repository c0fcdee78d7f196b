// Whole card operations through the card link on the simulated reader at real speed,
// each against the time its bytes and the card's page writes take on the line, the
// host's turnaround between a reply and the next command, taken from the line's trace,
// and what the port's event thread adds to a read.

#include <sys/prctl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <numeric>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "card/card_link.h"
#include "card/card_port.h"
#include "cpu_time.h"
#include "report.h"
#include "serial/comport.h"
#include "serial/driver/directory.h"
#include "sim/card.h"
#include "sim/simulation.h"
#include "sim/waveform.h"
#include "common/handover.h"
#include "support/recording_toolkit.h"

namespace {

using driver::sim::TraceEntry;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kCardBytes = 8192;  // 24C64
constexpr int kReadBlock = 256;
constexpr int kPageSize = 16;
// On the line per read block: the 5-byte command, the procedure byte, the data and
// the status word (the host hears its own command as the start of the reply).
constexpr int kReadBlockBytes = 5 + 1 + kReadBlock + 2;
constexpr int kWritePageBytes = 5 + 1 + kPageSize + 2;
constexpr double kWithinWireTime = 1.01;
constexpr double kTurnaroundTargetMs = 0.5;
constexpr double kEventThreadSharePercent = 0.5;
constexpr int kComparedReads = 3;  // of each kind

const Milliseconds kByteTime = driver::sim::kCardFormat.Length();

Milliseconds ReadWireTime() { return kByteTime * (kCardBytes / kReadBlock * kReadBlockBytes); }

Milliseconds WriteWireTime(int pages = kCardBytes / kPageSize) {
  return kByteTime * (pages * kWritePageBytes) + Milliseconds(driver::sim::kPageWriteTime) * pages;
}

std::string Pattern(char seed) {
  std::string bytes(kCardBytes, '\0');
  for (int i = 0; i < kCardBytes; ++i) bytes[i] = static_cast<char>(seed ^ (i * 7) ^ (i >> 8));
  return bytes;
}

TBuffer BufferOf(const std::string& bytes) {
  TBuffer buffer;
  buffer.SetData(bytes);
  return buffer;
}

// A simulated 24C64 in real time on COM1 of a private port directory, and the card link
// on it. The toolkit serves the event thread's hand-overs wherever the window's does:
// when the link processes messages and at every step of the progress gauge.
class CardBench {
 public:
  explicit CardBench(TComEvents events) {
    toolkit_.onMessages = [] { handover::ServePending(); };
    toolkit_.onProgress = toolkit_.onMessages;
    driver::sim::ReaderSetup setup;
    setup.speedFactor = 1;
    setup.trace = true;
    simulation_ = std::make_shared<driver::sim::Simulation>(setup);
    ports_.MapPort("COM1", "/nonexistent/belvanto-bench/COM1");  // never a real device
    ports_.Attach("COM1", simulation_);
    ApplyCardPortSettings(port_);
    port_.SetEvents(events);
    port_.SetDeviceFactory(&ports_);
    link_.PageSize = kPageSize;
  }

  // Runs `operation` and returns how long it took.
  Milliseconds Time(const std::function<void(TCardLink&)>& operation) {
    const auto start = std::chrono::steady_clock::now();
    operation(link_);
    return std::chrono::steady_clock::now() - start;
  }

  // Runs `operation` and returns how long it took and the CPU time the process used.
  std::pair<Milliseconds, Milliseconds> TimeAndCpu(const std::function<void(TCardLink&)>& operation) {
    const auto cpu = ProcessCpuTime();
    const auto elapsed = Time(operation);
    return {elapsed, ProcessCpuTime() - cpu};
  }

  std::vector<TraceEntry> Trace() const { return simulation_->Trace(); }

 private:
  driver::PortDirectory ports_;  // outlives the port, which closes its device last
  std::shared_ptr<driver::sim::Simulation> simulation_;
  RecordingToolkit toolkit_;
  TComPort port_;
  int owner_ = 0;
  TCardLink link_{port_, toolkit_, &owner_};
};

void ReadInto(TCardLink& link, TBuffer& buffer) {
  buffer.SetCapacity(kCardBytes);
  link.ReadCard("Lecture", buffer);
}

// Reads the card back and fails the run unless it holds `expected`.
void Verify(TCardLink& link, const TBuffer& expected) {
  TBuffer card;
  ReadInto(link, card);
  const int difference = CompareBuffers(expected, card);
  if (difference != -1)
    throw std::runtime_error("card differs from what was written at " + std::to_string(difference));
}

// What write --changed-only does: the card read, the pages that differ written, the
// card read back. Returns how many pages were written.
std::size_t WriteChangedAndVerify(TCardLink& link, const TBuffer& wanted) {
  TBuffer card;
  ReadInto(link, card);
  const std::vector<Page> pages = ChangedPages(wanted, card, kPageSize);
  if (!pages.empty()) link.WritePages("Ecriture", wanted, pages);
  Verify(link, wanted);
  return pages.size();
}

BenchRow OperationRow(const std::string& figure, Milliseconds elapsed, Milliseconds wire) {
  char target[64];
  std::snprintf(target, sizeof target, "<= %.2f s (wire %.2f s x %.2f)",
                wire.count() * kWithinWireTime / 1000, wire.count() / 1000, kWithinWireTime);
  return {figure, elapsed.count() / 1000, "s", wire.count() / 1000, kWithinWireTime, target};
}

// Host reaction times: from the moment the last byte of a card's reply is complete to
// the start bit of the host's next command.
std::vector<double> TurnaroundsMs(const std::vector<TraceEntry>& trace) {
  std::vector<double> turnarounds;
  for (std::size_t i = 1; i < trace.size(); ++i) {
    if (trace[i - 1].kind != TraceEntry::CardByte || trace[i].kind != TraceEntry::HostByte) continue;
    const auto readable = trace[i - 1].at + driver::sim::kCardFormat.Length();
    turnarounds.push_back(Milliseconds(trace[i].at - readable).count());
  }
  return turnarounds;
}

void ReportTurnarounds(std::vector<double> turnarounds) {
  if (turnarounds.empty()) throw std::runtime_error("no turnaround on the line");
  std::sort(turnarounds.begin(), turnarounds.end());
  const std::string count = " (" + std::to_string(turnarounds.size()) + ")";
  PrintRow({"Turnaround, median" + count, turnarounds[turnarounds.size() / 2], "ms",
            kTurnaroundTargetMs, 1, "< 0.5 ms"});
  const double mean = std::accumulate(turnarounds.begin(), turnarounds.end(), 0.0) / turnarounds.size();
  PrintRow({"Turnaround, 99th percentile" + count, turnarounds[turnarounds.size() * 99 / 100], "ms",
            std::nullopt, 1, ""});
  PrintRow({"Turnaround, mean" + count, mean, "ms", std::nullopt, 1, ""});
  PrintRow({"Turnaround, worst" + count, turnarounds.back(), "ms", std::nullopt, 1, ""});
}

void RunOperations() {
  CardBench bench(TComEvents{});
  const TBuffer data = BufferOf(Pattern('\x5A'));
  const TBuffer erased = BufferOf(std::string(kCardBytes, '\xFF'));
  TBuffer card;

  const auto read = bench.Time([&](TCardLink& link) { ReadInto(link, card); });
  PrintRow(OperationRow("Read 24C64", read, ReadWireTime()));
  const auto write = bench.Time([&](TCardLink& link) { link.WriteCard("Écriture", data); });
  PrintRow(OperationRow("Write 24C64", write, WriteWireTime()));
  const auto verify = bench.Time([&](TCardLink& link) { Verify(link, data); });
  PrintRow(OperationRow("Verify 24C64", verify, ReadWireTime()));
  // An image that differs from the card in one page: written whole, every page is sent
  // whatever it holds, so the write and verify above are its time; then changed pages only.
  std::string onePage = data.Data();
  onePage[kCardBytes / 2] = static_cast<char>(~onePage[kCardBytes / 2]);
  const TBuffer changed = BufferOf(onePage);
  PrintRow(OperationRow("Write + verify 24C64, whole image", write + verify,
                        WriteWireTime() + ReadWireTime()));
  std::size_t written = 0;
  const auto changedOnly =
      bench.Time([&](TCardLink& link) { written = WriteChangedAndVerify(link, changed); });
  if (written != 1) throw std::runtime_error(std::to_string(written) + " pages written, not 1");
  PrintRow(OperationRow("Write + verify 24C64, changed pages only (1 of 512)", changedOnly,
                        ReadWireTime() + WriteWireTime(1) + ReadWireTime()));
  const auto erase = bench.Time([&](TCardLink& link) {
    link.WriteCard("Effacement", erased);
    Verify(link, erased);
  });
  PrintRow(OperationRow("Erase 24C64", erase, WriteWireTime() + ReadWireTime()));
  ReportTurnarounds(TurnaroundsMs(bench.Trace()));
}

struct ReadCost {
  Milliseconds elapsed;
  Milliseconds cpu;
};

template <typename Member>
Milliseconds Median(std::vector<ReadCost> costs, Member member) {
  std::sort(costs.begin(), costs.end(),
            [member](const ReadCost& a, const ReadCost& b) { return a.*member < b.*member; });
  return costs[costs.size() / 2].*member;
}

// " 10.612 s, 61 ms CPU" for each read.
std::string Listed(const std::vector<ReadCost>& costs) {
  std::string text;
  for (const ReadCost& cost : costs) {
    char one[48];
    std::snprintf(one, sizeof one, "%s %.3f s, %.0f ms CPU", text.empty() ? "" : ";",
                  cost.elapsed.count() / 1000, cost.cpu.count());
    text += one;
  }
  return text;
}

// The same whole read with the port's event thread watching all ten events and handing
// them to this thread (smThreadSync), and without it (no events: no thread). The two
// kinds take turns, so that a change in the machine's load falls on both alike. Elapsed
// time is what the user waits for; the process's CPU time shows the thread's own work,
// which the wire time of the read would otherwise hide.
void CompareEventThread() {
  CardBench without(TComEvents{});
  CardBench with(TComEvents::All());
  std::vector<ReadCost> plain;
  std::vector<ReadCost> watched;
  TBuffer card;
  const auto read = [&card](TCardLink& link) { ReadInto(link, card); };
  for (int i = 0; i < kComparedReads; ++i) {
    const auto [elapsed, cpu] = without.TimeAndCpu(read);
    plain.push_back({elapsed, cpu});
    const auto [elapsedWith, cpuWith] = with.TimeAndCpu(read);
    watched.push_back({elapsedWith, cpuWith});
  }
  const std::string median = " (median of " + std::to_string(kComparedReads) + ")";
  const Milliseconds base = Median(plain, &ReadCost::elapsed);
  PrintRow({"Read 24C64 without event thread" + median, base.count(), "ms", std::nullopt, 1, ""});
  PrintRow({"Read 24C64 with event thread, ten events, smThreadSync" + median,
            Median(watched, &ReadCost::elapsed).count(), "ms", std::nullopt, 1, ""});
  const double added = 100 * (Median(watched, &ReadCost::elapsed) - base) / base;
  PrintRow({"Event thread's share of a read, elapsed", added, "%", kEventThreadSharePercent, 1,
            "< 0.5 %"});
  const Milliseconds cpuAdded = Median(watched, &ReadCost::cpu) - Median(plain, &ReadCost::cpu);
  PrintRow({"Event thread's share of a read, CPU of one core", 100 * cpuAdded / base, "%",
            kEventThreadSharePercent, 1, "< 0.5 %"});
  PrintNote("Reads without the event thread, in turn with those with it:" + Listed(plain));
  PrintNote("Reads with the event thread:" + Listed(watched));
}

}  // namespace

int main() {
  // The simulated line runs on the timers of the thread that waits for it, where a real
  // UART wakes the reader by interrupt: the default 50 us of timer slack would be counted
  // as the host's turnaround.
  prctl(PR_SET_TIMERSLACK, 1);
  try {
    RunOperations();
    CompareEventThread();
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "card link benchmark failed: %s\n", e.what());
    return 1;
  }
}
