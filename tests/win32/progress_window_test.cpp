#include "ui/win32/progress_window.h"

#include <gtest/gtest.h>

#include <memory>

#include "ui/win32/win32_toolkit.h"

namespace {

// A plain top-level window standing in for the main window; shown, so active.
struct OwnerWindow {
  HWND handle = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 190,
                                613, 388, nullptr, nullptr, nullptr, nullptr);
  ~OwnerWindow() { DestroyWindow(handle); }
};

HWND ProgressWindowTitled(const wchar_t* title) { return FindWindowW(L"TProgressF", title); }

TEST(ProgressWindow, IsACaptionlessTopmostPopupCentredOverItsOwnersFrame) {
  {
    OwnerWindow owner;
    const HWND window = (new TProgressF(owner.handle, "Vérification"))->Handle();
    RECT frame{}, client{};
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    EXPECT_TRUE(frame.left == 100 + (613 - 313) / 2 && frame.top == 190 + (388 - 59) / 2);
    EXPECT_TRUE(client.right == 313 && client.bottom == 59);
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & (WS_POPUP | WS_CAPTION | WS_THICKFRAME),
              WS_POPUP);
    EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetActiveWindow(), owner.handle) << "the progress window took the focus";
    EXPECT_EQ(ProgressWindowTitled(L"V\u00e9rification"), window);
  }  // the owner destroys its progress window
  EXPECT_EQ(ProgressWindowTitled(L"V\u00e9rification"), nullptr);
}

TEST(ProgressWindowGauge, RepaintsOnANewMaximumAndOnANewPercentageOnly) {
  OwnerWindow owner;
  const RECT bounds{12, 28, 301, 49};
  ui::win32::Gauge gauge(owner.handle, bounds);
  enum Step { kMax, kPosition };
  const struct {
    Step step;
    int value, percent;
    bool repaints;
  } steps[] = {{kMax, 7, 0, true},      {kPosition, 1, 14, true}, {kPosition, 1, 14, false},
               {kMax, 8, 12, true},     {kMax, 8, 12, false},     {kPosition, 9, 100, true},
               {kPosition, 8, 100, false}, {kMax, 3, 100, true}, {kMax, 0, 0, true}};
  for (const auto& s : steps) {
    ValidateRect(owner.handle, nullptr);
    s.step == kMax ? gauge.SetMax(s.value) : gauge.SetPosition(s.value);
    RECT invalid{};
    EXPECT_EQ(GetUpdateRect(owner.handle, &invalid, FALSE) != 0, s.repaints) << s.value;
    EXPECT_TRUE(!s.repaints || EqualRect(&invalid, &bounds));
    EXPECT_EQ(gauge.Percent(), s.percent) << s.value;
  }
}

TEST(ProgressWindow, PaintsTheBevelsAndTheBarWithItsPercentageInverted) {
  OwnerWindow owner;
  auto* window = new TProgressF(owner.handle, "Lecture");
  const HDC screen = GetDC(nullptr);
  const ui::win32::MemoryDc image(screen, 313, 59);
  ReleaseDC(nullptr, screen);
  const auto pixel = [&](int x, int y) { return GetPixel(image.Get(), x, y); };
  constexpr int kBarLeft = 13, kBarTop = 29, kBarWidth = 287, kBarHeight = 19;
  const COLORREF blue = RGB(0, 0, 255), white = RGB(255, 255, 255), black = 0;
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
  for (int percent : {0, 50, 100}) {
    window->SetPosition(percent);
    PrintWindow(window->Handle(), image.Get(), PW_CLIENTONLY);
    const int filled = kBarWidth * percent / 100;  // 0, 143, 287
    for (int x = 0; x < kBarWidth; ++x)
      ASSERT_EQ(pixel(kBarLeft + x, kBarTop), x < filled ? blue : white) << percent << "% " << x;
    EXPECT_TRUE(pixel(kBarLeft - 1, kBarTop) == black &&
                pixel(kBarLeft + kBarWidth, kBarTop + kBarHeight) == black);
    int yellowText = 0, blackText = 0, title = 0;
    for (int y = kBarTop; y < kBarTop + kBarHeight; ++y)
      for (int x = kBarLeft; x < kBarLeft + kBarWidth; ++x) {
        yellowText += pixel(x, y) == RGB(255, 255, 0);
        blackText += pixel(x, y) == black;
      }
    for (int x = 12; x < 301; ++x) title += pixel(x, 16) == black;
    EXPECT_GT(title, 10);
    EXPECT_EQ(yellowText > 10, percent > 0) << percent;
    EXPECT_EQ(blackText > 10, percent < 100) << percent;
    // Raised outside, lowered inside a border of 2 further in.
    EXPECT_TRUE(pixel(1, 1) == light && pixel(311, 57) == shadow);
    EXPECT_TRUE(pixel(5, 5) == shadow && pixel(307, 53) == light);
  }
  window->Release();
}

TEST(ProgressWindowToolkit, ViewsReleaseNowOrWhenDroppedAndSurviveTheOwner) {
  auto owner = std::make_unique<OwnerWindow>();
  Win32Toolkit toolkit;
  auto released = toolkit.CreateProgress(owner->handle, "Ecriture");
  auto dropped = toolkit.CreateProgress(owner->handle, "Effacement");
  auto orphan = toolkit.CreateProgress(owner->handle, "Lecture");
  const HWND releasedWindow = ProgressWindowTitled(L"Ecriture");
  const HWND droppedWindow = ProgressWindowTitled(L"Effacement");
  released->Release();
  dropped.reset();
  // Hidden now, destroyed only when messages are next processed.
  EXPECT_TRUE(IsWindow(releasedWindow) && !IsWindowVisible(releasedWindow));
  EXPECT_TRUE(IsWindow(droppedWindow) && !IsWindowVisible(droppedWindow));
  orphan->SetMax(4);  // processes them
  EXPECT_FALSE(IsWindow(releasedWindow) || IsWindow(droppedWindow));
  released->SetPosition(3);  // after release: ignored

  owner.reset();  // takes the last window with it
  EXPECT_EQ(ProgressWindowTitled(L"Lecture"), nullptr);
  orphan->SetPosition(2);
  orphan->PaintNow();
  orphan->Release();
}

}  // namespace
