#pragma once

#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QWidget>
#include <memory>
#include <string>

#include "apps/common/port_choices.h"
#include "ui/qt/qt_toolkit.h"
#include "card/command_core.h"
#include "serial/comport.h"
#include "ui/dialogs.h"
#include "ui/qt/radio_group.h"

// The main window: the hex listing of the working data, the file and card commands, the
// port and EEPROM size choices, and a status line that tells how each command ended.
// The commands and their rules are the command core's; the window shows them. Errors of
// a command go to the application's error box (ui::qt::Application).
class TForm1 : public QWidget, private CommandView {
 public:
  // Builds the window and runs FormCreate; `dialogs` asks the user (files, the size
  // warning) and must outlive the window.
  explicit TForm1(ui::Dialogs& dialogs, QWidget* parent = nullptr);

  QPlainTextEdit* Memo1;
  QLabel* Label1;
  QLabel* txtATR;
  QPushButton* btCharger;
  QPushButton* btEnreg;
  QPushButton* btVider;
  QPushButton* btEfface;
  QPushButton* btEcrire;
  QPushButton* btVerifier;
  QPushButton* btLire;
  ui::qt::RadioGroup* rdEEpromSize;
  ui::qt::RadioGroup* RadioGroup1;
  QStatusBar* StatusBar1;
  // The text of the status bar's one panel.
  QLabel* StatusPanel;
  TComPort ComPort1;

  void UpdateView();
  // Lets the user choose the device of each "Port COM" item from the group's context
  // menu, and tells in each item's tooltip which device it stands for; `notice` (what
  // restoring the choices had to say) goes to the status line. `choices` must outlive
  // the window.
  void UsePortChoices(PortChoices& choices, const std::string& notice);
  // Chooses `index` of `group` without running its OnClick.
  void SetItemIndexNoClick(ui::qt::RadioGroup& group, int index);

  void btChargerClick();
  void btEnregClick();
  void btViderClick();
  void btLireClick();
  void btEcrireClick();
  void btVerifierClick();
  void btEffaceClick();
  void rdEEpromSizeClick();

 protected:
  // Refused while a command runs: the command still needs the window.
  void closeEvent(QCloseEvent* event) override;

 private:
  using Handler = void (TForm1::*)();

  void CreateControls();
  void SetTabOrder();
  void FormCreate();
  QPushButton* AddButton(const char* name, const char* caption, int top, bool enabled,
                         Handler handler);
  QWidget* ControlOf(Control control) const;
  void ShowPortMenu(const QPoint& at);
  void AddPortAction(QMenu& menu, const std::string& port, const QString& text,
                     const std::string& path, bool chosen);
  void UpdatePortTips();

  // The status line shows the message after a margin of one blank.
  void ShowListing(const std::string& listing) override;
  void ShowStatus(const std::string& message) override;
  void ShowAtr(const std::string& atr) override;
  void EnableControl(Control control, bool enabled) override;
  void SelectSize(int index) override;

  PortChoices* portChoices_ = nullptr;
  QtToolkit toolkit_;
  CommandCore core_;
};
