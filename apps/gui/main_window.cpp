#include "apps/gui/main_window.h"

#include <QCloseEvent>
#include <QFont>

#include "card/card_port.h"
#include "common/version.h"
#include "ui/error_report.h"
#include "ui/item_index_no_click.h"

namespace {

constexpr int kButtonLeft = 524;
constexpr QSize kButtonSize(75, 21);
constexpr int kFontHeight = 11;

// The first of `families` that is installed (the classic face first, then look-alikes
// of its width), at a pixel height so that the layout does not grow with the screen's
// font size.
QFont FontOfHeight(const QStringList& families, int pixels, QFont::StyleHint hint) {
  QFont font;
  font.setFamilies(families);
  font.setStyleHint(hint);
  font.setPixelSize(pixels);
  return font;
}

}  // namespace

TForm1::TForm1(ui::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      core_(*this, dialogs, toolkit_, ComPort1, HandleOf(this)) {
  CreateControls();
  SetTabOrder();
  ApplyCardPortSettings(ComPort1);
  FormCreate();
}

void TForm1::CreateControls() {
  setObjectName("Form1");
  setWindowTitle("Belvanto - v " BELVANTO_VERSION);
  setFont(FontOfHeight({"MS Sans Serif", "Liberation Sans", "Arial", "Nimbus Sans"}, kFontHeight,
                      QFont::SansSerif));
  QPalette face = palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  setPalette(face);
  setAutoFillBackground(true);
  move(171, 190);
  setFixedSize(604, 361);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setGeometry(4, 4, 513, 317);
  Memo1->setReadOnly(true);
  // Read-only still takes the keyboard: the listing is the first stop of the tab order.
  Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Memo1->setFocusPolicy(Qt::StrongFocus);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setFont(FontOfHeight({"Courier New", "Liberation Mono", "DejaVu Sans Mono"}, kFontHeight,
                              QFont::TypeWriter));

  Label1 = new QLabel("ATR :", this);
  Label1->setObjectName("Label1");
  Label1->move(4, 324);
  Label1->adjustSize();

  txtATR = new QLabel(" ", this);
  txtATR->setObjectName("txtATR");
  QFont bold = font();
  bold.setBold(true);
  txtATR->setFont(bold);
  txtATR->move(36, 324);
  txtATR->adjustSize();

  btCharger = AddButton("btCharger", "Apri", 4, true, &TForm1::btChargerClick);
  btEnreg = AddButton("btEnreg", "Salva", 28, false, &TForm1::btEnregClick);
  btVider = AddButton("btVider", "Vuota Buffer", 52, false, &TForm1::btViderClick);
  btEfface = AddButton("btEfface", "Cancella", 84, true, &TForm1::btEffaceClick);
  btEcrire = AddButton("btEcrire", "Scrivi", 108, false, &TForm1::btEcrireClick);
  btVerifier = AddButton("btVerifier", "Verifica", 132, false, &TForm1::btVerifierClick);
  btLire = AddButton("btLire", "Leggi", 156, true, &TForm1::btLireClick);

  QStringList sizeNames;
  for (const EepromSize& size : kEepromSizes) sizeNames << size.name;
  rdEEpromSize = new ui::qt::RadioGroup(" EEPROM ", sizeNames, this);
  rdEEpromSize->setObjectName("rdEEpromSize");
  rdEEpromSize->setGeometry(kButtonLeft, 180, 75, 61);

  RadioGroup1 = new ui::qt::RadioGroup(" Port COM ", {"COM1", "COM2", "COM3", "COM4"}, this);
  RadioGroup1->setObjectName("RadioGroup1");
  RadioGroup1->setGeometry(kButtonLeft, 244, 75, 77);
  RadioGroup1->SetItemIndex(0);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setGeometry(0, 361 - 21, 604, 21);
  StatusPanel = new QLabel(StatusBar1);
  StatusPanel->setObjectName("StatusPanel");
  StatusPanel->setFixedWidth(350);
  StatusPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  StatusBar1->addWidget(StatusPanel);
}

QPushButton* TForm1::AddButton(const char* name, const char* caption, int top, bool enabled,
                               Handler handler) {
  auto* button = new QPushButton(caption, this);
  button->setObjectName(name);
  button->setGeometry(QRect(QPoint(kButtonLeft, top), kButtonSize));
  button->setEnabled(enabled);
  button->setAutoDefault(false);
  connect(button, &QPushButton::clicked, this,
          [this, handler] { ui::RunGuarded([this, handler] { (this->*handler)(); }); });
  return button;
}

void TForm1::SetTabOrder() {
  QList<QWidget*> order;
  for (QWidget* control : std::initializer_list<QWidget*>{
           Memo1, btCharger, btEnreg, btEcrire, btVerifier, btLire, RadioGroup1, btEfface,
           btVider, rdEEpromSize}) {
    // A group takes its place through its items, of which Tab stops at the chosen one.
    if (auto* group = dynamic_cast<ui::qt::RadioGroup*>(control))
      for (QAbstractButton* item : group->Items()) order << item;
    else
      order << control;
  }
  for (qsizetype i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

void TForm1::FormCreate() {
  core_.CardLink().PortIndex = [this] { return RadioGroup1->ItemIndex(); };
  rdEEpromSize->OnClick = [this] { ui::RunGuarded([this] { rdEEpromSizeClick(); }); };
  rdEEpromSize->SetItemIndex(2);
  UpdateView();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (core_.Running())
    event->ignore();
  else
    event->accept();
}

void TForm1::UpdateView() { core_.UpdateView(); }

void TForm1::UsePortChoices(PortChoices& choices, const std::string& notice) {
  portChoices_ = &choices;
  RadioGroup1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(RadioGroup1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { ui::RunGuarded([this, at] { ShowPortMenu(at); }); });
  UpdatePortTips();
  if (!notice.empty()) ShowStatus(notice);
}

// For the item under the pointer (the chosen one when the pointer is on the frame): the
// ports found, each under its stable name where it has one, and "Aucun" for none.
void TForm1::ShowPortMenu(const QPoint& at) {
  const QList<QAbstractButton*> items = RadioGroup1->Items();
  const qsizetype under = items.indexOf(qobject_cast<QAbstractButton*>(RadioGroup1->childAt(at)));
  const qsizetype item = under >= 0 ? under : std::max(RadioGroup1->ItemIndex(), 0);
  const std::string port = items[item]->text().toStdString();
  const std::string current = portChoices_->PathOf(port);
  auto* menu = new QMenu(this);
  menu->setObjectName("PortMenu");
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->addSection(QString::fromStdString(port));
  for (const SerialPort& found : portChoices_->Ports()) {
    const std::string path = found.stableName.empty() ? found.device : found.stableName;
    AddPortAction(*menu, port, QString::fromStdString(found.device + "  " + DescriptionOf(found)),
                  path, current == path || current == found.device);
  }
  menu->addSeparator();
  AddPortAction(*menu, port, "Aucun", "", false);
  UpdatePortTips();
  menu->popup(RadioGroup1->mapToGlobal(at));
}

void TForm1::AddPortAction(QMenu& menu, const std::string& port, const QString& text,
                           const std::string& path, bool chosen) {
  QAction* action = menu.addAction(text);
  action->setCheckable(chosen);
  action->setChecked(chosen);
  connect(action, &QAction::triggered, this, [this, port, path] {
    ui::RunGuarded([&] {
      portChoices_->Choose(port, path);
      UpdatePortTips();
    });
  });
}

void TForm1::UpdatePortTips() {
  const std::vector<SerialPort> found = portChoices_->AllPorts();
  for (QAbstractButton* item : RadioGroup1->Items())
    item->setToolTip(
        QString::fromStdString(portChoices_->WhatStandsFor(item->text().toStdString(), found)));
}

void TForm1::SetItemIndexNoClick(ui::qt::RadioGroup& group, int index) {
  ui::SetItemIndexNoClick(group, index);
}

QWidget* TForm1::ControlOf(Control control) const {
  QWidget* const controls[] = {btCharger, btEnreg, btVider,      btEfface,   btEcrire,
                               btVerifier, btLire, rdEEpromSize, RadioGroup1};
  return controls[static_cast<int>(control)];
}

void TForm1::ShowListing(const std::string& listing) {
  Memo1->setPlainText(QString::fromStdString(listing));
}

void TForm1::ShowStatus(const std::string& message) {
  StatusPanel->setText(QString::fromStdString(" " + message));
}

void TForm1::ShowAtr(const std::string& atr) {
  txtATR->setText(QString::fromStdString(atr));
  txtATR->adjustSize();
}

void TForm1::EnableControl(Control control, bool enabled) { ControlOf(control)->setEnabled(enabled); }

void TForm1::SelectSize(int index) { SetItemIndexNoClick(*rdEEpromSize, index); }

void TForm1::btChargerClick() { core_.Load(); }
void TForm1::btEnregClick() { core_.Save(); }
void TForm1::btViderClick() { core_.Clear(); }
void TForm1::btLireClick() { core_.Read(); }
void TForm1::btEcrireClick() { core_.Write(); }
void TForm1::btVerifierClick() { core_.Verify(); }
void TForm1::btEffaceClick() { core_.Erase(); }
void TForm1::rdEEpromSizeClick() { core_.ChooseSize(rdEEpromSize->ItemIndex()); }
