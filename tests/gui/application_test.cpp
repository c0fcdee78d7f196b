#include "ui/qt/application.h"

#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "common/exception_handler.h"
#include "common/handover.h"
#include "support/scripted_dialogs.h"
#include "ui/error_report.h"

namespace {

using Shown = ScriptedDialogs::Shown;

class ApplicationTest : public ::testing::Test {
 protected:
  ScriptedDialogs dialogs;
  ui::qt::Application app{dialogs};
};

TEST_F(ApplicationTest, GuardedClickTurnsAnErrorIntoExactlyOneErrorBox) {
  QPushButton button("Leggi");
  int clicksAfterError = 0;
  QObject::connect(&button, &QPushButton::clicked, [&] {
    ui::RunGuarded([&] {
      if (clicksAfterError++ == 0) throw std::runtime_error("Erreur de lecture");
    });
  });
  button.click();
  button.click();  // the loop went on: the second click ran normally
  EXPECT_EQ(clicksAfterError, 2);
  const std::vector<Shown> expected = {{"error", "Belvanto", "Erreur de lecture."}};
  EXPECT_EQ(dialogs.shown(), expected);
}

TEST_F(ApplicationTest, IsTheApplicationWideHandlerWhileItLives) {
  appexceptions::Report(std::make_exception_ptr(std::runtime_error("Port COM2 (2)")));
  EXPECT_EQ(dialogs.shown(), (std::vector<Shown>{{"error", "Belvanto", "Port COM2 (2)"}}));
}

TEST(ApplicationLifetime, GivesTheHandlerBackWhenDestroyed) {
  ScriptedDialogs dialogs;
  { ui::qt::Application app(dialogs); }
  testing::internal::CaptureStderr();
  appexceptions::Report(std::make_exception_ptr(std::runtime_error("Erreur d'écriture")));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Erreur d'écriture\n");
  EXPECT_TRUE(dialogs.shown().empty());
}

// Only the main thread may show windows: an error from another thread waits for the loop.
TEST_F(ApplicationTest, ErrorFromAnotherThreadIsShownByTheMessageLoop) {
  std::thread([] {
    appexceptions::Report(std::make_exception_ptr(std::runtime_error("Erreur de lecture")));
  }).join();
  EXPECT_TRUE(dialogs.shown().empty());
  ui::qt::ProcessMessages();
  EXPECT_EQ(dialogs.shown(), (std::vector<Shown>{{"error", "Belvanto", "Erreur de lecture."}}));
}

TEST_F(ApplicationTest, HandOverRunsWhileTheLoopIsIdle) {
  QEventLoop loop;
  QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });
  std::atomic<bool> ranOnMain = false;
  std::thread eventThread([&] {
    handover::RunOnMainThread([&] {
      ranOnMain = handover::IsMainThread();
      loop.exit(0);
    });
  });
  EXPECT_EQ(loop.exec(), 0) << "the hand-over did not wake the loop";
  eventThread.join();
  EXPECT_TRUE(ranOnMain);
}

}  // namespace
