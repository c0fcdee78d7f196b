#include "apps/gui/win32/main_window.h"

#include <commctrl.h>

#include <stdexcept>
#include <vector>

#include "card/card_port.h"
#include "common/version.h"
#include "ui/error_report.h"
#include "ui/item_index_no_click.h"
#include "ui/win32/control.h"
#include "ui/win32/text.h"

namespace {

constexpr wchar_t kWindowClass[] = L"TForm1";
// Not clipping its children: a group box paints only its frame and caption, the window
// the rest.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// Dialog navigation (Tab, arrows) for a window that has controls: see ui::win32.
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
constexpr int kClientWidth = 604;
constexpr int kClientHeight = 361;
constexpr int kButtonLeft = 524;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 21;
constexpr int kStatusHeight = 21;
constexpr int kStatusPanelWidth = 350;

enum ControlId : int {
  kMemoId = 100,
  kChargerId,
  kEnregId,
  kViderId,
  kEffaceId,
  kEcrireId,
  kVerifierId,
  kLireId,
  kSizeItemsId = 200,
  kPortItemsId = 210,
  kStatusBarId = 300,
};

// The edit control breaks lines at CR LF only.
std::wstring WithCrLf(const std::string& text) {
  std::string lines;
  lines.reserve(text.size() + text.size() / 32);
  for (char c : text) {
    if (c == '\n') lines += '\r';
    lines += c;
  }
  return ui::win32::WideText(lines);
}

// The outer frame for the fixed client area, at the classic place.
HWND CreateMainWindow(WNDPROC procedure) {
  ui::win32::RegisterWindowClass(kWindowClass, procedure,
                                 reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                                 LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION)));
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  const std::wstring title = ui::win32::WideText("Belvanto - v " BELVANTO_VERSION);
  HWND window = CreateWindowExW(kExStyle, kWindowClass, title.c_str(), kStyle, 171, 190,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window)
    throw std::runtime_error("cannot create the main window (" + std::to_string(GetLastError()) + ")");
  return window;
}

RECT Bounds(int left, int top, int width, int height) {
  return {left, top, left + width, top + height};
}

// A label as wide and high as its text.
void FitToText(HWND label, HFONT font) {
  const std::wstring text = ui::win32::WindowText(label);
  HDC context = GetDC(label);
  HGDIOBJ previous = SelectObject(context, font);
  SIZE size{};
  GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(context, previous);
  ReleaseDC(label, context);
  SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

TForm1::TForm1(ui::Dialogs& dialogs)
    : window_(CreateMainWindow(&TForm1::WindowProc)),
      rdEEpromSize(window_, " EEPROM ", {kEepromSizes[0].name, kEepromSizes[1].name, kEepromSizes[2].name},
                   Bounds(kButtonLeft, 180, 75, 61), dialogFont_.get(), kSizeItemsId),
      RadioGroup1(window_, " Port COM ", {"COM1", "COM2", "COM3", "COM4"},
                  Bounds(kButtonLeft, 244, 75, 77), dialogFont_.get(), kPortItemsId),
      core_(*this, dialogs, toolkit_, ComPort1, window_) {
  CreateControls();
  SetTabOrder();
  ApplyCardPortSettings(ComPort1);
  FormCreate();
  // From here on the window's messages reach the form; before, they had default handling.
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TForm1::~TForm1() {
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
}

void TForm1::Show() {
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
}

void TForm1::CreateControls() {
  Memo1 = AddControl(L"EDIT", "",
                     WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                     WS_EX_CLIENTEDGE, Bounds(4, 4, 513, 317), kMemoId, listingFont_.get());
  // A listing longer than the 32K characters an edit control takes by default.
  SendMessageW(Memo1, EM_SETLIMITTEXT, 0, 0);
  Label1 = AddControl(L"STATIC", "ATR :", SS_NOPREFIX, 0, Bounds(4, 324, 0, 0), -1,
                      dialogFont_.get());
  FitToText(Label1, dialogFont_.get());
  txtATR = AddControl(L"STATIC", " ", SS_NOPREFIX, 0, Bounds(36, 324, 0, 0), -1,
                      boldFont_.get());
  FitToText(txtATR, boldFont_.get());

  btCharger = AddButton(kChargerId, "Apri", 4, true);
  btEnreg = AddButton(kEnregId, "Salva", 28, false);
  btVider = AddButton(kViderId, "Vuota Buffer", 52, false);
  btEfface = AddButton(kEffaceId, "Cancella", 84, true);
  btEcrire = AddButton(kEcrireId, "Scrivi", 108, false);
  btVerifier = AddButton(kVerifierId, "Verifica", 132, false);
  btLire = AddButton(kLireId, "Leggi", 156, true);
  CreateStatusBar();
}

HWND TForm1::AddControl(const wchar_t* kind, const std::string& text, DWORD style, DWORD exStyle,
                        const RECT& bounds, int id, HFONT font) {
  return ui::win32::CreateControl(window_, kind, text, style, exStyle, bounds, id, font);
}

// Each button is a group of its own, which ends the arrows' circle of a radio group
// before it.
HWND TForm1::AddButton(int id, const char* caption, int top, bool enabled) {
  HWND button = AddControl(L"BUTTON", caption, WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 0,
                           Bounds(kButtonLeft, top, kButtonWidth, kButtonHeight), id,
                           dialogFont_.get());
  EnableWindow(button, enabled);
  return button;
}

void TForm1::CreateStatusBar() {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
  InitCommonControlsEx(&classes);
  StatusBar1 = AddControl(STATUSCLASSNAMEW, "", 0, 0, Bounds(0, 0, 0, 0), kStatusBarId,
                          dialogFont_.get());
  const int edges[] = {kStatusPanelWidth};
  SendMessageW(StatusBar1, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(edges));
  SendMessageW(StatusBar1, SB_SETMINHEIGHT, kStatusHeight - 2 * GetSystemMetrics(SM_CYBORDER), 0);
  // The bar places itself along the bottom edge when told of a size change.
  SendMessageW(StatusBar1, WM_SIZE, 0, 0);
}

// Tab follows the z-order: the listing, then the commands in the classic order. A group
// takes its place through its frame and items.
void TForm1::SetTabOrder() {
  std::vector<HWND> order = {Memo1, btCharger, btEnreg, btEcrire, btVerifier, btLire};
  const auto addGroup = [&order](const ui::win32::RadioGroup& group) {
    order.push_back(group.Frame());
    order.insert(order.end(), group.Items().begin(), group.Items().end());
  };
  addGroup(RadioGroup1);
  order.push_back(btEfface);
  order.push_back(btVider);
  addGroup(rdEEpromSize);
  for (HWND control : order)
    SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TForm1::FormCreate() {
  core_.CardLink().PortIndex = [this] { return RadioGroup1.ItemIndex(); };
  SetItemIndexNoClick(RadioGroup1, 0);
  rdEEpromSize.OnClick = [this] { rdEEpromSizeClick(); };
  rdEEpromSize.SetItemIndex(2);
  UpdateView();
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!form) return DefWindowProcW(window, message, wParam, lParam);
  return form->HandleMessage(message, wParam, lParam);
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) HandleCommand(LOWORD(wParam));
      return 0;
    case WM_CTLCOLORSTATIC:
      // Read-only, the listing keeps the window colour of a text box.
      if (reinterpret_cast<HWND>(lParam) == Memo1) {
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_CLOSE:
      // Refused while a command runs: the command still needs the window.
      if (!core_.Running()) PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void TForm1::HandleCommand(int id) {
  static constexpr struct {
    int id;
    Handler handler;
  } kButtons[] = {
      {kChargerId, &TForm1::btChargerClick}, {kEnregId, &TForm1::btEnregClick},
      {kViderId, &TForm1::btViderClick},     {kEffaceId, &TForm1::btEffaceClick},
      {kEcrireId, &TForm1::btEcrireClick},   {kVerifierId, &TForm1::btVerifierClick},
      {kLireId, &TForm1::btLireClick},
  };
  for (const auto& button : kButtons)
    if (button.id == id) return ui::RunGuarded([this, &button] { (this->*button.handler)(); });
  if (!rdEEpromSize.HandleClick(id)) RadioGroup1.HandleClick(id);
}

void TForm1::UpdateView() { core_.UpdateView(); }

void TForm1::SetItemIndexNoClick(ui::win32::RadioGroup& group, int index) {
  ui::SetItemIndexNoClick(group, index);
}

void TForm1::ShowListing(const std::string& listing) {
  SetWindowTextW(Memo1, WithCrLf(listing).c_str());
}

void TForm1::ShowStatus(const std::string& message) {
  SendMessageW(StatusBar1, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(ui::win32::WideText(" " + message).c_str()));
}

void TForm1::ShowAtr(const std::string& atr) {
  SetWindowTextW(txtATR, ui::win32::WideText(atr).c_str());
  FitToText(txtATR, boldFont_.get());
}

void TForm1::EnableControl(Control control, bool enabled) {
  switch (control) {
    case Control::SizeChoice:
      return rdEEpromSize.Enable(enabled);
    case Control::PortChoice:
      return RadioGroup1.Enable(enabled);
    default: {
      HWND const buttons[] = {btCharger, btEnreg, btVider, btEfface, btEcrire, btVerifier, btLire};
      EnableWindow(buttons[static_cast<int>(control)], enabled);
    }
  }
}

void TForm1::SelectSize(int index) { SetItemIndexNoClick(rdEEpromSize, index); }

void TForm1::btChargerClick() { core_.Load(); }
void TForm1::btEnregClick() { core_.Save(); }
void TForm1::btViderClick() { core_.Clear(); }
void TForm1::btLireClick() { core_.Read(); }
void TForm1::btEcrireClick() { core_.Write(); }
void TForm1::btVerifierClick() { core_.Verify(); }
void TForm1::btEffaceClick() { core_.Erase(); }
void TForm1::rdEEpromSizeClick() { core_.ChooseSize(rdEEpromSize.ItemIndex()); }
