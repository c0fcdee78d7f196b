#include "ui/terminal/terminal_progress.h"

#include <cerrno>
#include <cstdio>

#include "common/handover.h"
#include "common/unique_fd.h"
#include "ui/gauge_model.h"

namespace ui {

namespace {

constexpr int kBarWidth = 30;

// Writes everything or gives up quietly: a vanished terminal must not fail a transfer.
void Show(int fd, const std::string& text) { (void)WriteAll(fd, text); }

std::string Bar(int percent) {
  const int filled = kBarWidth * percent / 100;
  return std::string(filled, '#') + std::string(kBarWidth - filled, '.');
}

std::string MinutesSeconds(std::chrono::seconds time) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(time.count() / 60),
                static_cast<long long>(time.count() % 60));
  return text;
}

// What follows a redrawn line of `length` bytes so that nothing of the longer one
// drawn before it (`drawnLength` bytes) stays visible.
std::string EraseRest(LineErase erase, std::size_t drawnLength, std::size_t length) {
  if (erase == LineErase::kEscape) return "\x1b[K";
  return std::string(drawnLength > length ? drawnLength - length : 0, ' ');
}

class TerminalProgress : public ProgressView {
 public:
  TerminalProgress(int fd, LineErase erase, std::string title, TerminalToolkit& toolkit,
                   TerminalToolkit::Clock clock)
      : fd_(fd), erase_(erase), title_(std::move(title)), toolkit_(toolkit),
        clock_(std::move(clock)), start_(clock_()) {}

  void SetMax(int value) override {
    gauge_.SetMax(value < 0 ? 0 : value);
    Draw();
    toolkit_.ProcessMessages();
  }

  void SetPosition(int value) override {
    gauge_.SetPosition(value < 0 ? 0 : value);
    Draw();
    toolkit_.ProcessMessages();
  }

  void PaintNow() override { Draw(); }

  // Leaves the last state on its own line, so that what follows starts on a fresh one.
  void Release() override {
    if (fd_ >= 0 && !drawn_.empty()) Show(fd_, "\n");
    fd_ = -1;
  }

 private:
  // Redraws only when the text changes: a terminal is slow compared to the card.
  void Draw() {
    if (fd_ < 0) return;
    const std::string line = Line();
    if (line == drawn_) return;
    Show(fd_, "\r" + line + EraseRest(erase_, drawn_.size(), line.size()));
    drawn_ = line;
  }

  std::string Line() const {
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%", gauge_.Percent());
    return title_ + " [" + Bar(gauge_.Percent()) + "] " + percent + TimeLeft();
  }

  // Time so far scaled by what is left, once some progress is made and until the end.
  std::string TimeLeft() const {
    const int done = gauge_.Position() - GaugeModel::kMin;
    const int left = gauge_.Max() - gauge_.Position();
    if (done <= 0 || left <= 0) return "";
    const std::chrono::duration<double> elapsed = clock_() - start_;
    const auto remaining =
        std::chrono::duration_cast<std::chrono::seconds>(elapsed * left / done);
    return "  reste " + MinutesSeconds(remaining);
  }

  int fd_;  // -1 once released or when nothing is to be shown
  LineErase erase_;
  std::string title_;
  TerminalToolkit& toolkit_;
  TerminalToolkit::Clock clock_;
  std::chrono::steady_clock::time_point start_;
  GaugeModel gauge_;
  std::string drawn_;
};

}  // namespace

TerminalToolkit::TerminalToolkit(int fd, bool quiet, Clock clock)
    : fd_(fd), mode_(quiet ? TerminalMode{} : PrepareTerminal(fd)), clock_(std::move(clock)) {}

TerminalToolkit::~TerminalToolkit() {
  if (mode_.restore) mode_.restore();
}

std::unique_ptr<ProgressView> TerminalToolkit::CreateProgress(WindowHandle,
                                                              const std::string& title) {
  const bool shown = mode_.erase != LineErase::kNone;
  return std::make_unique<TerminalProgress>(shown ? fd_ : -1, mode_.erase, title, *this, clock_);
}

void TerminalToolkit::ProcessMessages() { handover::ServePending(); }

}  // namespace ui
