#include "ui/terminal/terminal_progress.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "common/handover.h"
#include "support/terminal_screen.h"

using namespace std::chrono_literals;

namespace {

// The bar for a percentage: 30 cells, '#' for the part done.
std::string Bar(int hashes) { return std::string(hashes, '#') + std::string(30 - hashes, '.'); }

class TerminalProgress : public ::testing::Test {
 protected:
  std::string Screen() { return screen.Shown(); }

  ui::TerminalToolkit::Clock clock = [this] { return now; };
  std::chrono::steady_clock::time_point now;
  test_support::TerminalScreen screen;
  const int terminal = screen.Terminal();
};

TEST_F(TerminalProgress, RedrawsOneLineWithPercentageAndTimeLeft) {
  ui::TerminalToolkit toolkit(terminal, false, clock);
  auto progress = toolkit.CreateProgress(nullptr, "Lecture");
  progress->PaintNow();
  EXPECT_EQ(Screen(), "\rLecture [" + Bar(0) + "]   0%\x1b[K");
  progress->SetMax(7);
  progress->SetPosition(0);
  EXPECT_EQ(Screen(), "") << "nothing changed, nothing redrawn";

  now += 6s;  // 3 of 7 done in 6 s: 4 more take 8 s
  progress->SetPosition(3);
  EXPECT_EQ(Screen(), "\rLecture [" + Bar(12) + "]  42%  reste 0:08\x1b[K");
  now += 150s;
  progress->SetPosition(6);  // 156 s for 6, 26 s for the last
  EXPECT_EQ(Screen(), "\rLecture [" + Bar(25) + "]  85%  reste 0:26\x1b[K");
  progress->SetPosition(7);
  EXPECT_EQ(Screen(), "\rLecture [" + Bar(30) + "] 100%\x1b[K");
  progress->Release();
  EXPECT_EQ(Screen(), "\n");
}

TEST_F(TerminalProgress, EstimateCountsMinutes) {
  ui::TerminalToolkit toolkit(terminal, false, clock);
  auto progress = toolkit.CreateProgress(nullptr, "Ecriture");
  progress->SetMax(1000);
  now += 75s;
  progress->SetPosition(100);  // 900 more at 0.75 s each
  EXPECT_EQ(Screen(), "\rEcriture [" + Bar(0) + "]   0%\x1b[K\rEcriture [" + Bar(3) +
                          "]  10%  reste 11:15\x1b[K");
}

TEST_F(TerminalProgress, NegativeValuesCountAsZero) {
  ui::TerminalToolkit toolkit(terminal, false, clock);
  auto progress = toolkit.CreateProgress(nullptr, "Effacement");
  progress->SetPosition(50);
  Screen();
  progress->SetMax(-1);
  EXPECT_EQ(Screen(), "\rEffacement [" + Bar(0) + "]   0%\x1b[K");
  progress->SetPosition(-3);
  EXPECT_EQ(Screen(), "");
}

TEST_F(TerminalProgress, QuietSwitchSilencesTheTerminal) {
  ui::TerminalToolkit toolkit(terminal, true, clock);
  auto progress = toolkit.CreateProgress(nullptr, "Lecture");
  progress->PaintNow();
  progress->SetMax(3);
  progress->SetPosition(2);
  progress->Release();
  EXPECT_EQ(Screen(), "");
}

TEST_F(TerminalProgress, ReleaseWithoutDrawingLeavesTheLineAlone) {
  ui::TerminalToolkit toolkit(terminal, false, clock);
  toolkit.CreateProgress(nullptr, "Lecture")->Release();
  EXPECT_EQ(Screen(), "");
}

TEST(TerminalProgressOnAPipe, WritesNothing) {
  int pipeEnds[2];
  ASSERT_EQ(::pipe2(pipeEnds, O_NONBLOCK), 0);
  ui::TerminalToolkit toolkit(pipeEnds[1]);
  auto progress = toolkit.CreateProgress(nullptr, "Lecture");
  progress->PaintNow();
  progress->SetMax(1);
  progress->SetPosition(1);
  progress->Release();
  char byte;
  EXPECT_EQ(::read(pipeEnds[0], &byte, 1), -1);
  EXPECT_EQ(errno, EAGAIN);
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
}

// Without a message loop, progress updates are where the event thread's hand-overs run.
TEST(TerminalToolkit, ProgressUpdatesServeHandOvers) {
  handover::SetMainThread();
  ui::TerminalToolkit toolkit(STDERR_FILENO, true);
  auto progress = toolkit.CreateProgress(nullptr, "Lecture");
  std::atomic<bool> ranOnMain = false;
  std::thread eventThread([&] {
    handover::RunOnMainThread([&] { ranOnMain = handover::IsMainThread(); });
  });
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  for (int i = 0; !ranOnMain && std::chrono::steady_clock::now() < deadline; ++i) {
    progress->SetPosition(i % 100);
    std::this_thread::sleep_for(1ms);
  }
  eventThread.join();
  EXPECT_TRUE(ranOnMain);
}

}  // namespace
