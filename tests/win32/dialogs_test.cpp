#include "ui/win32/dialogs.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(WindowsFileFilter, EndsEachPartWithANulAndTheListWithASecondOne) {
  EXPECT_EQ(ui::win32::WindowsFileFilter(ui::kFileFilter),
            L"Fichiers Binaires\0*.bin\0Tous les fichiers\0*.*\0\0"s);
}

// What the warning box showed, read from a timer while it waits for its answer.
struct SeenBox {
  std::wstring yes, no;
  int textHeight = 0, lineHeight = 0;
  POINT centre{};
};
SeenBox seen;
int pressed = 0;

void CALLBACK AnswerWarning(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND box = FindWindowW(L"#32770", L"Avertissement");
  if (!box) return;
  KillTimer(nullptr, timer);
  wchar_t caption[32];
  GetDlgItemTextW(box, IDYES, caption, 32);
  seen.yes = caption;
  GetDlgItemTextW(box, IDNO, caption, 32);
  seen.no = caption;
  RECT frame{};
  GetWindowRect(box, &frame);
  seen.centre = {(frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2};
  const HWND text = GetDlgItem(box, 0xFFFF);  // the message's static control
  GetWindowRect(text, &frame);
  seen.textHeight = frame.bottom - frame.top;
  const HDC dc = GetDC(text);
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  seen.lineHeight = metrics.tmHeight;
  ReleaseDC(text, dc);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(pressed, BN_CLICKED), 0);
}

TEST(Win32Dialogs, WarningAsksOuiOrNonOnTwoLinesInTheScreensMiddle) {
  for (const auto& [button, answer] : {std::pair{IDYES, true}, std::pair{IDNO, false}}) {
    seen = {};
    pressed = button;
    SetTimer(nullptr, 0, 20, AnswerWarning);
    ui::win32::Win32Dialogs dialogs;
    EXPECT_EQ(dialogs.ConfirmWarning("Le contenu du buffer sera perdu.\rVoulez-vous continuer ?"),
              answer);
    EXPECT_EQ(seen.yes, L"&Oui");
    EXPECT_EQ(seen.no, L"&Non");
    EXPECT_GE(seen.textHeight, 2 * seen.lineHeight) << "the CR broke no line";
    EXPECT_NEAR(seen.centre.x, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR(seen.centre.y, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
  }
}

}  // namespace
