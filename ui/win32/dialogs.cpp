#include "ui/win32/dialogs.h"

#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "common/windows_text.h"
#include "ui/win32/text.h"

namespace ui::win32 {

namespace {

// Room for the longest path Windows takes (32767 characters and the NUL): a chosen name
// is never cut.
constexpr DWORD kNameRoom = 32768;

enum class FileDialog { kOpen, kSave };

std::optional<std::string> ChooseFile(FileDialog kind) {
  const std::wstring filter = WindowsFileFilter(kFileFilter);
  const std::wstring extension = WideText(kDefaultExtension);
  std::wstring name(kNameRoom, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = GetActiveWindow();
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = kNameRoom;
  dialog.lpstrDefExt = extension.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                 OFN_PATHMUSTEXIST |
                 (kind == FileDialog::kOpen ? OFN_FILEMUSTEXIST : OFN_OVERWRITEPROMPT);
  const BOOL chosen =
      kind == FileDialog::kOpen ? GetOpenFileNameW(&dialog) : GetSaveFileNameW(&dialog);
  if (!chosen) {
    // Cancelling leaves no error; anything else is no answer of the user's.
    if (const DWORD error = CommDlgExtendedError())
      throw std::runtime_error("Echec de la boîte de dialogue des fichiers (" +
                               std::to_string(error) + ")");
    return std::nullopt;
  }
  name.resize(name.find(L'\0'));
  std::optional<std::string> chosenName = WideToUtf8(name);
  if (!chosenName) throw std::runtime_error("Nom de fichier illisible");
  return chosenName;
}

thread_local HHOOK yesNoCaptionsHook = nullptr;

// Message boxes take no button captions: the box's Yes and No are renamed when it first
// activates, and the hook goes.
LRESULT CALLBACK RenameYesNo(int code, WPARAM wParam, LPARAM lParam) {
  const HHOOK hook = yesNoCaptionsHook;
  const LRESULT next = CallNextHookEx(hook, code, wParam, lParam);
  const HWND box = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_ACTIVATE && GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO)) {
    SetDlgItemTextW(box, IDYES, WideText(kYesCaption).c_str());
    SetDlgItemTextW(box, IDNO, WideText(kNoCaption).c_str());
    UnhookWindowsHookEx(hook);
    yesNoCaptionsHook = nullptr;
  }
  return next;
}

}  // namespace

std::wstring WindowsFileFilter(const std::string& filter) {
  std::wstring parts = WideText(filter);
  std::replace(parts.begin(), parts.end(), L'|', L'\0');
  return parts + L'\0' + L'\0';
}

std::optional<std::string> Win32Dialogs::ChooseFileToOpen() {
  return ChooseFile(FileDialog::kOpen);
}

std::optional<std::string> Win32Dialogs::ChooseFileToSave() {
  return ChooseFile(FileDialog::kSave);
}

bool Win32Dialogs::ConfirmWarning(const std::string& text) {
  yesNoCaptionsHook = SetWindowsHookExW(WH_CBT, RenameYesNo, nullptr, GetCurrentThreadId());
  // No owner: the box is centred on the screen, and task-modal, so every window of the
  // program waits for it. Message boxes break lines at a CR as at CR LF.
  const int answer = MessageBoxW(nullptr, WideText(text).c_str(), WideText(kWarningTitle).c_str(),
                                 MB_YESNO | MB_ICONWARNING | MB_TASKMODAL);
  if (yesNoCaptionsHook) UnhookWindowsHookEx(std::exchange(yesNoCaptionsHook, nullptr));
  return answer == IDYES;
}

void Win32Dialogs::ShowError(const std::string& title, const std::string& text) {
  const HWND owner = GetActiveWindow();
  MessageBoxW(owner, WideText(text).c_str(), WideText(title).c_str(),
              MB_OK | MB_ICONERROR | (owner ? MB_APPLMODAL : MB_TASKMODAL));
}

}  // namespace ui::win32
