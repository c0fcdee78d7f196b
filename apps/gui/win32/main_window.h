#pragma once

// The serial component's headers come before windows.h (see ui/win32/application.h).
#include "card/command_core.h"
#include "serial/comport.h"
#include "ui/dialogs.h"
#include "ui/win32/gdi.h"
#include "ui/win32/radio_group.h"
#include "ui/win32/win32_toolkit.h"

#include <windows.h>

#include <string>

// The main window in Win32: the hex listing of the working data, the file and card
// commands, the port and EEPROM size choices, and a status line that tells how each
// command ended. The commands and their rules are the command core's; the window shows
// them. Errors of a command go to the application's error box (ui::win32::Application).
class TForm1 : private CommandView {
 public:
  // Builds the window, hidden, and runs FormCreate; `dialogs` asks the user (files, the
  // size warning) and must outlive the window.
  explicit TForm1(ui::Dialogs& dialogs);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  HWND Handle() const { return window_; }
  void Show();

 private:
  // Before the controls, which take them.
  ui::win32::Font dialogFont_ = ui::win32::SansSerifFontOfHeight(11);
  ui::win32::Font boldFont_ = ui::win32::SansSerifFontOfHeight(11, FW_BOLD);
  // GDI rounds the 6.6-pixel advance of these faces at height 11 up to 7, which would
  // wrap a 71-character listing line in the 513-pixel box beside its scroll bar.
  ui::win32::Font listingFont_ =
      ui::win32::FontOfHeight({L"Courier New", L"Liberation Mono", L"DejaVu Sans Mono"}, 11, FW_NORMAL, 6);
  HWND window_;

 public:
  HWND Memo1 = nullptr;
  HWND Label1 = nullptr;
  HWND txtATR = nullptr;
  HWND btCharger = nullptr;
  HWND btEnreg = nullptr;
  HWND btVider = nullptr;
  HWND btEfface = nullptr;
  HWND btEcrire = nullptr;
  HWND btVerifier = nullptr;
  HWND btLire = nullptr;
  ui::win32::RadioGroup rdEEpromSize;
  ui::win32::RadioGroup RadioGroup1;
  HWND StatusBar1 = nullptr;
  TComPort ComPort1;

  void UpdateView();
  // Chooses `index` of `group` without running its OnClick.
  void SetItemIndexNoClick(ui::win32::RadioGroup& group, int index);

  void btChargerClick();
  void btEnregClick();
  void btViderClick();
  void btLireClick();
  void btEcrireClick();
  void btVerifierClick();
  void btEffaceClick();
  void rdEEpromSizeClick();

 private:
  using Handler = void (TForm1::*)();

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void HandleCommand(int id);

  void CreateControls();
  HWND AddButton(int id, const char* caption, int top, bool enabled);
  HWND AddControl(const wchar_t* kind, const std::string& text, DWORD style, DWORD exStyle,
                  const RECT& bounds, int id, HFONT font);
  void CreateStatusBar();
  void SetTabOrder();
  void FormCreate();

  // The status line shows the message after a margin of one blank.
  void ShowListing(const std::string& listing) override;
  void ShowStatus(const std::string& message) override;
  void ShowAtr(const std::string& atr) override;
  void EnableControl(Control control, bool enabled) override;
  void SelectSize(int index) override;

  Win32Toolkit toolkit_;
  CommandCore core_;
};
