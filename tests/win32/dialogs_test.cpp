#include "ui/win32/dialogs.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

using namespace std::string_literals;

TEST(WindowsFileFilter, EndsEachPartWithANulAndTheListWithASecondOne) {
  EXPECT_EQ(ui::win32::WindowsFileFilter(ui::kFileFilter),
            L"Fichiers Binaires\0*.bin\0Tous les fichiers\0*.*\0Fichiers Intel HEX\0*.hex;*.ihx\0"
            L"Fichiers S-record Motorola\0*.s19;*.s28;*.s37;*.srec;*.mot\0\0"s);
}

// What the warning box showed, read from a timer while it waits for its answer.
struct {
  std::wstring yes, no;
  POINT centre{};
} seen;
int pressed = 0;

void CALLBACK AnswerWarning(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND box = FindWindowW(L"#32770", L"Avertissement");
  if (!box) return;
  KillTimer(nullptr, timer);
  wchar_t yes[32], no[32];
  GetDlgItemTextW(box, IDYES, yes, 32);
  GetDlgItemTextW(box, IDNO, no, 32);
  seen = {yes, no};
  RECT frame{};
  GetWindowRect(box, &frame);
  seen.centre = {(frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2};
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(pressed, BN_CLICKED), 0);
}

TEST(Win32Dialogs, WarningAsksOuiOrNonInTheScreensMiddle) {
  for (const auto& [button, answer] : {std::pair{IDYES, true}, std::pair{IDNO, false}}) {
    seen = {};
    pressed = button;
    SetTimer(nullptr, 0, 20, AnswerWarning);
    ui::win32::Win32Dialogs dialogs;
    EXPECT_EQ(dialogs.ConfirmWarning("Le contenu du buffer sera perdu.\rVoulez-vous continuer ?"),
              answer);
    EXPECT_EQ(seen.yes, L"&Oui");
    EXPECT_EQ(seen.no, L"&Non");
    EXPECT_NEAR(seen.centre.x, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR(seen.centre.y, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
  }
}

}  // namespace
