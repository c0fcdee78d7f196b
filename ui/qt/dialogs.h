#pragma once

#include <QFileDialog>
#include <QStringList>

#include "ui/dialogs.h"

namespace ui::qt {

// The dialogs as Qt shows them. File dialogs and the error box are modal over the active
// window; the warning is centred on the screen.
class QtDialogs : public Dialogs {
 public:
  std::optional<std::string> ChooseFileToOpen() override;
  std::optional<std::string> ChooseFileToSave() override;
  bool ConfirmWarning(const std::string& text) override;
  void ShowError(const std::string& title, const std::string& text) override;

 private:
  std::optional<std::string> ChooseFile(QFileDialog::AcceptMode mode);
};

// "Name|pattern;pattern|Name|*.*" as Qt's name filters: {"Name (pattern pattern)",
// "Name (*)"}.
QStringList NameFilters(const std::string& filter);

}  // namespace ui::qt
