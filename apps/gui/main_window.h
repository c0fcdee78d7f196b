#pragma once

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QWidget>
#include <memory>
#include <string>

#include "card/card_link.h"
#include "ui/qt/qt_toolkit.h"
#include "card/buffer.h"
#include "serial/comport.h"
#include "ui/dialogs.h"
#include "ui/qt/radio_group.h"

// The main window: the hex listing of the working data, the file and card commands, the
// port and EEPROM size choices, and a status line that tells how each command ended.
// Errors of a command go to the application's error box (ui::qt::Application).
class TForm1 : public QWidget {
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

  // Shows " " + message on the status line, then lets pending messages run.
  void SetStatus(const std::string& message);
  // Lists the working data and enables the commands that need some.
  void UpdateView();
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
  class CardCommand;

  void CreateControls();
  void SetTabOrder();
  void FormCreate();
  QPushButton* AddButton(const char* name, const char* caption, int top, bool enabled,
                         Handler handler);
  // Runs `handler` unless a command is running; false when it was refused.
  bool RunCommand(Handler handler);
  void EnableDataCommands();
  void SetCommandsEnabled(bool enabled);
  void ReportComparison(const char* success, const char* failure, int difference);

  ui::Dialogs& dialogs_;
  QtToolkit toolkit_;
  TBuffer FWorkBuffer;
  TBuffer FVerifyBuffer;
  TBuffer FScratchBuffer;
  TCardLink FCardLink;
  int FSizeIndex = 2;
  bool commandRunning_ = false;
};
