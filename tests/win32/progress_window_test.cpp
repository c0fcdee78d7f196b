#include "ui/win32/progress_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "ui/win32/win32_toolkit.h"

namespace {

// A plain top-level window standing in for the main window; shown, so active.
struct OwnerWindow {
  explicit OwnerWindow(int width = 613, int height = 388)
      : handle(CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 190,
                               width, height, nullptr, nullptr, nullptr, nullptr)) {}
  ~OwnerWindow() { DestroyWindow(handle); }
  HWND handle;
};

HWND ProgressWindowTitled(const wchar_t* title) { return FindWindowW(L"TProgressF", title); }

TEST(ProgressWindow, IsACaptionlessTopmostPopupCentredOverItsOwnersFrame) {
  for (const auto& [ownerWidth, expectedLeft] : {std::pair{613, 250}, std::pair{200, 44}}) {
    OwnerWindow owner(ownerWidth);
    const HWND window = (new TProgressF(owner.handle, "Vérification"))->Handle();
    RECT frame{}, client{};
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    EXPECT_EQ(frame.left, expectedLeft);
    EXPECT_EQ(frame.top, 190 + (388 - 59) / 2);
    EXPECT_EQ(client.right, 313);
    EXPECT_EQ(client.bottom, 59);
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

// The window as it paints itself, pixel by pixel.
struct Rendering {
  explicit Rendering(HWND window) : screen(GetDC(nullptr)), dc(CreateCompatibleDC(screen)) {
    bitmap = CreateCompatibleBitmap(screen, 313, 59);
    SelectObject(dc, bitmap);
    PrintWindow(window, dc, PW_CLIENTONLY);
  }
  ~Rendering() {
    DeleteDC(dc);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
  }
  COLORREF operator()(int x, int y) const { return GetPixel(dc, x, y); }
  HDC screen, dc;
  HBITMAP bitmap;
};

TEST(ProgressWindow, PaintsTheBevelsAndTheBarWithItsPercentageInverted) {
  OwnerWindow owner;
  auto* window = new TProgressF(owner.handle, "Lecture");
  constexpr int kBarLeft = 13, kBarTop = 29, kBarWidth = 287, kBarHeight = 19;
  const COLORREF blue = RGB(0, 0, 255), white = RGB(255, 255, 255), black = 0;
  for (int percent : {0, 50, 100}) {
    window->SetPosition(percent);
    const Rendering pixel(window->Handle());
    const int filled = kBarWidth * percent / 100;  // 0, 143, 287
    for (int x = 0; x < kBarWidth; ++x)
      ASSERT_EQ(pixel(kBarLeft + x, kBarTop), x < filled ? blue : white) << percent << "% " << x;
    EXPECT_EQ(pixel(kBarLeft - 1, kBarTop), black);
    EXPECT_EQ(pixel(kBarLeft + kBarWidth, kBarTop + kBarHeight), black);
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
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
    EXPECT_EQ(pixel(1, 1), light);  // raised outside
    EXPECT_EQ(pixel(311, 57), shadow);
    EXPECT_EQ(pixel(5, 5), shadow);  // lowered inside, a border of 2 further in
    EXPECT_EQ(pixel(307, 53), light);
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
  for (HWND window : {releasedWindow, droppedWindow}) {
    EXPECT_TRUE(IsWindow(window));  // destroyed only when messages are next processed
    EXPECT_FALSE(IsWindowVisible(window));
  }
  orphan->SetMax(4);  // processes them
  EXPECT_FALSE(IsWindow(releasedWindow));
  EXPECT_FALSE(IsWindow(droppedWindow));
  released->SetPosition(3);  // after release: ignored

  owner.reset();  // takes the last window with it
  EXPECT_EQ(ProgressWindowTitled(L"Lecture"), nullptr);
  orphan->SetPosition(2);
  orphan->PaintNow();
  orphan->Release();
}

}  // namespace
