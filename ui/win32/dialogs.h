#pragma once

#include <string>

#include "ui/dialogs.h"

namespace ui::win32 {

// The common file dialogs and message boxes of Windows, owned by the active window.
class Win32Dialogs : public Dialogs {
 public:
  std::optional<std::string> ChooseFileToOpen() override;
  std::optional<std::string> ChooseFileToSave() override;
  bool ConfirmWarning(const std::string& text) override;
  void ShowError(const std::string& title, const std::string& text) override;
};

// "Name|patterns|..." as the file dialogs take it: each part ended by a NUL, the list
// by a second one.
std::wstring WindowsFileFilter(const std::string& filter);

}  // namespace ui::win32
