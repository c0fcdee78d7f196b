#include "apps/gui/main_window.h"

#include <QCloseEvent>
#include <QFont>
#include <cstdio>

#include "card/card_port.h"
#include "common/version.h"
#include "ui/error_report.h"
#include "ui/listing_text.h"

namespace {

constexpr int kButtonLeft = 524;
constexpr QSize kButtonSize(75, 21);
constexpr int kFontHeight = 11;

const char* const kSizeWarning = "Le contenu du buffer sera perdu.\rVoulez-vous continuer ?";

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

// Items of the size choice in order; any other index stands for the largest card.
const EepromSize& EepromSizeOf(int index) {
  return index >= 0 && index < static_cast<int>(kEepromSizes.size())
             ? kEepromSizes[static_cast<std::size_t>(index)]
             : kEepromSizes.back();
}

// "Lecture OK (8192 octets)"
std::string WithByteCount(const std::string& text, int size) {
  return text + " (" + std::to_string(size) + " octets)";
}

std::string Hex4(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value) & 0xFFFF);
  return text;
}

}  // namespace

// Takes the window's commands away while a card command runs and gives them back as
// UpdateView leaves them, however the command ends. The window still repaints.
class TForm1::CardCommand {
 public:
  explicit CardCommand(TForm1& form) : form_(form) { form_.SetCommandsEnabled(false); }
  ~CardCommand() {
    form_.SetCommandsEnabled(true);
    form_.EnableDataCommands();
  }
  CardCommand(const CardCommand&) = delete;
  CardCommand& operator=(const CardCommand&) = delete;

 private:
  TForm1& form_;
};

TForm1::TForm1(ui::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      FCardLink(ComPort1, toolkit_, HandleOf(this)) {
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
          [this, handler] { ui::RunGuarded([this, handler] { RunCommand(handler); }); });
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
  FCardLink.PortIndex = [this] { return RadioGroup1->ItemIndex(); };
  FCardLink.OnATR = [this](const std::string& atr) {
    txtATR->setText(QString::fromStdString(atr));
    txtATR->adjustSize();
  };
  rdEEpromSize->OnClick = [this] {
    if (!RunCommand(&TForm1::rdEEpromSizeClick)) SetItemIndexNoClick(*rdEEpromSize, FSizeIndex);
  };
  rdEEpromSize->SetItemIndex(2);
  UpdateView();
}

bool TForm1::RunCommand(Handler handler) {
  if (commandRunning_) return false;
  commandRunning_ = true;
  struct EndOfCommand {
    bool& running;
    ~EndOfCommand() { running = false; }
  } end{commandRunning_};
  (this->*handler)();
  return true;
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (commandRunning_)
    event->ignore();
  else
    event->accept();
}

void TForm1::SetStatus(const std::string& message) {
  StatusPanel->setText(QString::fromStdString(" " + message));
  toolkit_.ProcessMessages();
}

void TForm1::UpdateView() {
  Memo1->setPlainText(QString::fromStdString(ui::ListingForDisplay(FWorkBuffer.Dump())));
  EnableDataCommands();
}

void TForm1::EnableDataCommands() {
  const bool hasData = FWorkBuffer.Size() > 0;
  for (QPushButton* button : {btEnreg, btVerifier, btEcrire, btVider}) button->setEnabled(hasData);
}

void TForm1::SetCommandsEnabled(bool enabled) {
  for (QWidget* control : std::initializer_list<QWidget*>{
           btCharger, btEnreg, btVider, btEfface, btEcrire, btVerifier, btLire, rdEEpromSize,
           RadioGroup1})
    control->setEnabled(enabled);
}

void TForm1::SetItemIndexNoClick(ui::qt::RadioGroup& group, int index) {
  struct Reattach {
    ui::qt::RadioGroup& group;
    std::function<void()> handler;
    ~Reattach() { group.OnClick = std::move(handler); }
  } reattach{group, std::exchange(group.OnClick, nullptr)};
  group.SetItemIndex(index);
}

void TForm1::btChargerClick() {
  const auto name = dialogs_.ChooseFileToOpen();
  if (!name) return;
  FWorkBuffer.LoadFromFile(*name);
  SetStatus(WithByteCount(*name, FWorkBuffer.Size()));
  UpdateView();
}

void TForm1::btEnregClick() {
  const auto name = dialogs_.ChooseFileToSave();
  if (!name) return;
  FWorkBuffer.SaveToFile(*name);
  SetStatus(WithByteCount(*name, FWorkBuffer.Size()));
}

void TForm1::btViderClick() {
  FWorkBuffer.Clear();
  UpdateView();
  SetStatus("Buffer vidé");
}

void TForm1::btLireClick() {
  const CardCommand command(*this);
  FCardLink.ReadCard("Lecture", FScratchBuffer);
  FWorkBuffer.SetData(FScratchBuffer.Data());
  UpdateView();
  SetStatus(WithByteCount("Lecture OK", FWorkBuffer.Size()));
}

void TForm1::btEcrireClick() {
  const CardCommand command(*this);
  FCardLink.WriteCard("Ecriture", FWorkBuffer);
  SetStatus(WithByteCount("Ecriture OK", FWorkBuffer.Size()));
}

void TForm1::btVerifierClick() {
  const CardCommand command(*this);
  FCardLink.ReadCard("Vérification", FVerifyBuffer);
  ReportComparison("Vérification OK", "Echec vérification à l'adresse 0x",
                   CompareBuffers(FWorkBuffer, FVerifyBuffer));
}

void TForm1::btEffaceClick() {
  const CardCommand command(*this);
  FScratchBuffer.Clear();
  FScratchBuffer.Append(std::string(static_cast<std::size_t>(FScratchBuffer.Capacity()), '\xFF'));
  FCardLink.WriteCard("Effacement", FScratchBuffer);
  FCardLink.ReadCard("Vérification", FVerifyBuffer);
  ReportComparison("Effacement OK", "Echec effacement à l'adresse 0x",
                   CompareBuffers(FScratchBuffer, FVerifyBuffer));
}

void TForm1::ReportComparison(const char* success, const char* failure, int difference) {
  SetStatus(difference == -1 ? success : failure + Hex4(difference));
}

void TForm1::rdEEpromSizeClick() {
  if (FWorkBuffer.Size() > 0) {
    if (!dialogs_.ConfirmWarning(kSizeWarning)) {
      SetItemIndexNoClick(*rdEEpromSize, FSizeIndex);
      return;
    }
    btViderClick();
  }
  const int index = rdEEpromSize->ItemIndex();
  const EepromSize& size = EepromSizeOf(index);
  for (TBuffer* buffer : {&FWorkBuffer, &FVerifyBuffer, &FScratchBuffer})
    buffer->SetCapacity(size.capacity);
  FCardLink.PageSize = size.pageSize;
  FSizeIndex = index;
}
