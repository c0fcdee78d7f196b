// The window's own costs: how long it takes to list a full 24C64, and the CPU it uses
// while it sits idle with the card programmer's port open on a simulated reader.

#include <QApplication>
#include <QEventLoop>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "apps/gui/main_window.h"
#include "cpu_time.h"
#include "report.h"
#include "serial/driver/directory.h"
#include "sim/simulation.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "ui/qt/application.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kCardBytes = 8192;  // 24C64, the window's default size
constexpr int kListingLines = kCardBytes / 16;
constexpr int kListings = 21;
constexpr double kListingTargetMs = 5;
constexpr auto kSettling = std::chrono::milliseconds(500);
constexpr auto kIdleSpan = std::chrono::seconds(10);
constexpr double kIdleCpuTargetPercent = 0.2;

std::string CardImage() {
  std::string bytes(kCardBytes, '\0');
  for (int i = 0; i < kCardBytes; ++i) bytes[i] = static_cast<char>(i * 37 + (i >> 8));
  return bytes;
}

// Lets the window's message loop run for `span`, as it does between the user's commands.
void RunMessageLoop(std::chrono::milliseconds span) {
  QEventLoop loop;
  QTimer::singleShot(span, &loop, &QEventLoop::quit);
  loop.exec();
}

double MedianOf(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// The window on screen (offscreen platform), its dialogs answered from a script, and a
// simulated reader with a card in real time on COM1 of a private port directory, so
// that no port of the machine is ever opened.
class WindowBench {
 public:
  WindowBench() {
    for (const char* name : {"COM1", "COM2", "COM3", "COM4"})
      ports_.MapPort(name, std::string("/nonexistent/belvanto-bench/") + name);
    ports_.Attach("COM1", std::make_shared<driver::sim::Simulation>(driver::sim::ReaderSetup{}));
    form_.ComPort1.SetDeviceFactory(&ports_);
    // Shown and active as on a desktop, the listing holding the focus.
    form_.show();
    form_.activateWindow();
    RunMessageLoop(kSettling);
  }

  // Loads a full card image through the window's Load command, then times the listing
  // refresh alone and followed by the repaint of the listing, in CPU time of this thread.
  void ReportListing() {
    Load();
    std::vector<double> fill;
    std::vector<double> fillAndPaint;
    for (int i = 0; i < kListings; ++i) {
      const auto start = ThreadCpuTime();
      form_.UpdateView();
      const auto filled = ThreadCpuTime();
      form_.Memo1->repaint();
      fill.push_back(Milliseconds(filled - start).count());
      fillAndPaint.push_back(Milliseconds(ThreadCpuTime() - start).count());
    }
    const std::string median = " (median of " + std::to_string(kListings) + ", CPU)";
    PrintRow({"Listing refresh of 8192 bytes, UpdateView" + median, MedianOf(fill), "ms",
              kListingTargetMs, 1, "< 5 ms"});
    PrintRow({"Listing refresh of 8192 bytes, UpdateView and repaint" + median,
              MedianOf(fillAndPaint), "ms", kListingTargetMs, 1, "< 5 ms"});
  }

  // The port open as the card link opens it (the window's settings: all ten events, the
  // event thread handing them to the main thread), the card reset and its answer handed
  // over; then nothing happens while the message loop runs.
  void ReportIdle() {
    TComPort& port = form_.ComPort1;
    int handedOver = 0;
    port.OnRxChar = [&handedOver](TCustomComPort&, std::int32_t) { ++handedOver; };
    port.SetPort("COM1");
    port.Open();
    port.SetRTS(true);
    port.SetRTS(false);
    RunMessageLoop(kSettling);
    if (handedOver == 0) throw std::runtime_error("the event thread handed nothing over");

    const auto cpu = ProcessCpuTime();
    const auto start = Clock::now();
    RunMessageLoop(kIdleSpan);
    const std::chrono::duration<double> wall = Clock::now() - start;
    const double percent = 100 * (ProcessCpuTime() - cpu) / wall;
    port.Close();
    port.OnRxChar = nullptr;
    PrintRow({"Window idle 10 s, port open with its event thread (CPU of one core)", percent, "%",
              kIdleCpuTargetPercent, 1, "< 0.2 %"});
  }

 private:
  void Load() {
    const TempFolder folder;
    const std::string image = folder.File("card.bin");
    WriteWholeFile(image, CardImage());
    dialogs_.AnswerFile(image);
    form_.btCharger->click();
    if (form_.Memo1->document()->blockCount() < kListingLines)
      throw std::runtime_error("the window did not list the card image");
  }

  driver::PortDirectory ports_;  // outlives the window, whose port closes its device last
  ScriptedDialogs dialogs_;
  ui::qt::Application application_{dialogs_};
  TForm1 form_{dialogs_};
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qtApplication(argc, argv);
  try {
    WindowBench bench;
    bench.ReportListing();
    bench.ReportIdle();
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "window benchmark failed: %s\n", e.what());
    return 1;
  }
}
