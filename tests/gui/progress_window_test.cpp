#include "ui/qt/progress_window.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "ui/qt/qt_toolkit.h"

namespace {

ui::qt::Gauge* GaugeOf(QWidget* window) { return window->findChild<ui::qt::Gauge*>("Gauge1"); }
QLabel* TitleOf(QWidget* window) { return window->findChild<QLabel*>("Titre"); }

class ProgressWindow : public ::testing::Test {
 protected:
  ProgressWindow() { owner.setGeometry(171, 190, 604, 361); }
  QWidget owner;
};

TEST_F(ProgressWindow, HasTheLayoutOfABorderlessTitledGauge) {
  TProgressF window(&owner, "Lecture");
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.size(), QSize(313, 59));
  EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(window.findChild<QWidget*>("Panel1")->geometry(), QRect(0, 0, 313, 59));

  QLabel* title = TitleOf(&window);
  EXPECT_EQ(title->text(), "Lecture");
  EXPECT_EQ(title->geometry(), QRect(12, 8, 289, 16));
  EXPECT_EQ(title->alignment(), Qt::AlignCenter);
  EXPECT_TRUE(title->font().bold());
  EXPECT_EQ(title->font().pixelSize(), 11);

  ui::qt::Gauge* gauge = GaugeOf(&window);
  EXPECT_EQ(gauge->geometry(), QRect(12, 28, 289, 21));
  EXPECT_EQ(gauge->Max(), 100);
  EXPECT_EQ(gauge->Position(), 0);
}

TEST_F(ProgressWindow, IsPlacedOverTheOwnersFrame) {
  owner.setGeometry(100, 190, 613, 388);
  EXPECT_EQ(TProgressF(&owner, "Ecriture").pos(), QPoint(250, 354));
  owner.setGeometry(100, 190, 200, 40);
  EXPECT_EQ(TProgressF(&owner, "Ecriture").pos(), QPoint(44, 181));
}

TEST_F(ProgressWindow, ShowsTheGaugesPercentages) {
  TProgressF window(&owner, "Lecture");
  ui::qt::Gauge* gauge = GaugeOf(&window);
  window.SetMax(7);
  const int expected[] = {0, 14, 28, 42, 57, 71, 85, 100};
  for (int position = 0; position <= 7; ++position) {
    window.SetPosition(position);
    EXPECT_EQ(gauge->Percent(), expected[position]) << "position " << position;
  }
  window.SetMax(3);
  window.SetPosition(5);
  EXPECT_EQ(gauge->Percent(), 100);
}

TEST_F(ProgressWindow, NegativeValuesCountAsZero) {
  TProgressF window(&owner, "Lecture");
  ui::qt::Gauge* gauge = GaugeOf(&window);
  window.SetPosition(40);
  EXPECT_NO_THROW(window.SetMax(-1));
  EXPECT_EQ(gauge->Max(), 0);
  EXPECT_EQ(gauge->Position(), 0);
  EXPECT_EQ(gauge->Percent(), 0);
  window.SetMax(10);
  window.SetPosition(-7);
  EXPECT_EQ(gauge->Position(), 0);
}

TEST_F(ProgressWindow, UpdatesLetQtProcessPendingMessages) {
  TProgressF window(&owner, "Lecture");
  int ran = 0;
  const auto post = [&] {
    QMetaObject::invokeMethod(QApplication::instance(), [&] { ++ran; }, Qt::QueuedConnection);
  };
  post();
  window.SetMax(4);
  EXPECT_EQ(ran, 1);
  post();
  window.SetPosition(4);
  EXPECT_EQ(ran, 2);
}

TEST_F(ProgressWindow, ReleaseHidesNowAndDestroysAtTheNextTurnOfTheLoop) {
  QPointer<TProgressF> window = new TProgressF(&owner, "Lecture");
  window->Release();
  ASSERT_TRUE(window);
  EXPECT_FALSE(window->isVisible());
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(window);
}

TEST(ProgressWindowOwner, DestroysItsProgressWindowAtTheLatest) {
  auto* owner = new QWidget;
  QPointer<TProgressF> window = new TProgressF(owner, "Lecture");
  delete owner;
  EXPECT_FALSE(window);
}

TEST_F(ProgressWindow, ToolkitDrivesAWindowOverTheGivenOwner) {
  QtToolkit toolkit;
  auto view = toolkit.CreateProgress(HandleOf(&owner), "Vérification");
  auto* window = owner.findChild<TProgressF*>();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(TitleOf(window)->text(), QString::fromUtf8("Vérification"));
  view->SetMax(7);
  view->SetPosition(3);
  EXPECT_EQ(GaugeOf(window)->Percent(), 42);
  view->Release();
  EXPECT_FALSE(window->isVisible());
  view->SetPosition(7);  // after release: ignored
  view.reset();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(owner.findChild<TProgressF*>(), nullptr);
}

TEST_F(ProgressWindow, ToolkitViewDroppedWithoutReleaseStillTakesTheWindowAway) {
  QtToolkit toolkit;
  QPointer<TProgressF> window;
  {
    auto view = toolkit.CreateProgress(HandleOf(&owner), "Lecture");
    window = owner.findChild<TProgressF*>();
  }
  ASSERT_TRUE(window);
  EXPECT_FALSE(window->isVisible());
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(window);
}

TEST(ProgressWindowToolkit, ViewOutlivingTheOwnersWindowIsHarmless) {
  QtToolkit toolkit;
  auto* owner = new QWidget;
  auto view = toolkit.CreateProgress(HandleOf(owner), "Lecture");
  delete owner;
  view->SetPosition(50);
  view->PaintNow();
  view->Release();
}

// Renders the window through a PNG file, as a screenshot would be checked.
class ProgressWindowPixels : public ProgressWindow {
 protected:
  QImage RenderAt(int percent) {
    TProgressF window(&owner, "Lecture");
    window.SetPosition(percent);
    const QString path = folder.filePath("progress.png");
    EXPECT_TRUE(window.grab().save(path));
    return QImage(path).convertToFormat(QImage::Format_RGB32);
  }

  QTemporaryDir folder;
};

constexpr QRgb kBlue = 0xff0000ff;
constexpr QRgb kWhite = 0xffffffff;
constexpr QRgb kBlack = 0xff000000;
// The gauge at (12, 28), 289 x 21: a one-pixel border around 287 x 19 pixels of bar.
constexpr int kBarLeft = 13, kBarTop = 29, kBarWidth = 287, kBarHeight = 19;

TEST_F(ProgressWindowPixels, BarFillsTheShareOfThePercentageInsideTheBorder) {
  for (int percent : {0, 50, 100}) {
    const QImage image = RenderAt(percent);
    const int filled = kBarWidth * percent / 100;  // 0, 143, 287
    for (int x = 0; x < kBarWidth; ++x)
      ASSERT_EQ(image.pixel(kBarLeft + x, kBarTop), x < filled ? kBlue : kWhite)
          << percent << "% at x " << x;
    EXPECT_EQ(image.pixel(kBarLeft - 1, kBarTop), kBlack);
    EXPECT_EQ(image.pixel(kBarLeft + kBarWidth, kBarTop), kBlack);
    EXPECT_EQ(image.pixel(kBarLeft, kBarTop - 1), kBlack);
    EXPECT_EQ(image.pixel(kBarLeft, kBarTop + kBarHeight), kBlack);
  }
}

TEST_F(ProgressWindowPixels, TextIsInvertedOverBothParts) {
  const QImage image = RenderAt(50);  // "50%" straddles the edge of the bar
  int overBlue = 0, overWhite = 0;
  for (int y = kBarTop; y < kBarTop + kBarHeight; ++y)
    for (int x = kBarLeft; x < kBarLeft + kBarWidth; ++x) {
      const QRgb pixel = image.pixel(x, y);
      if (pixel == kBlue || pixel == kWhite) continue;
      ++(x < kBarLeft + 143 ? overBlue : overWhite);
    }
  EXPECT_GT(overBlue, 10) << "text unreadable over the filled part";
  EXPECT_GT(overWhite, 10) << "text unreadable over the empty part";
  // Inverted, not merely recoloured: white text turns yellow on blue and black on white
  // (edges are smoothed, so look for strokes close to those colours).
  bool yellow = false, black = false;
  for (int y = kBarTop; y < kBarTop + kBarHeight; ++y)
    for (int x = kBarLeft; x < kBarLeft + kBarWidth; ++x) {
      const QRgb p = image.pixel(x, y);
      yellow = yellow || (qRed(p) > 0xc0 && qGreen(p) > 0xc0 && qBlue(p) < 0x40);
      black = black || (qRed(p) < 0x40 && qGreen(p) < 0x40 && qBlue(p) < 0x40);
    }
  EXPECT_TRUE(yellow);
  EXPECT_TRUE(black);
}

}  // namespace
