#include "apps/gui/main_window.h"

#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "common/file_io.h"
#include "gui/window_fixture.h"
#include "sim/scenarios.h"

namespace {

using driver::sim::Eeprom;
using driver::sim::ReaderSetup;
using driver::sim::Simulation;
using Shown = ScriptedDialogs::Shown;

const char* const kGoodAtr = "3F 67 2F 00 11 14 00 03 68 90 00";

std::string Noise(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t state = 12345;
  for (char& b : bytes) {
    state = state * 1103515245u + 12345u;
    b = static_cast<char>(state >> 16);
  }
  return bytes;
}

std::vector<std::string> TraceLines(const Simulation& simulation) {
  std::vector<std::string> lines;
  std::istringstream text(driver::sim::TraceText(simulation.Trace()));
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  return lines;
}

int CountLines(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

// Command headers as the host puts them on the line: "host FF FB AH AL LL" for writes.
std::vector<std::string> Headers(const std::vector<std::string>& lines, const std::string& prefix) {
  std::vector<std::string> headers;
  for (const auto& line : lines)
    if (line.size() == 19 && line.rfind(prefix, 0) == 0) headers.push_back(line);
  return headers;
}
const char* const kWriteHeader = "host FF FB";
const char* const kReadHeader = "host FF 7B";

using MainWindowTest = WindowTest;

const std::vector<bool> kAllEnabled(9, true);
const std::vector<bool> kWithoutData = {true, false, false, true, false, false, true, true, true};

// --- Layout and start ---------------------------------------------------------------

TEST_F(MainWindowTest, WindowIsFixedWithSystemMenuAndMinimiseOnly) {
  EXPECT_EQ(form.windowTitle(), "Belvanto - v 0.3");
  EXPECT_EQ(form.pos(), QPoint(171, 190));
  EXPECT_EQ(form.size(), QSize(604, 361));
  EXPECT_EQ(form.minimumSize(), QSize(604, 361));
  EXPECT_EQ(form.maximumSize(), QSize(604, 361));
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
}

TEST_F(MainWindowTest, ControlsStandWhereTheLayoutPutsThem) {
  const struct {
    QWidget* control;
    QRect geometry;
    QString caption;
    bool enabled;
  } table[] = {
      {form.Memo1, QRect(4, 4, 513, 317), "", true},
      {form.btCharger, QRect(524, 4, 75, 21), "Apri", true},
      {form.btEnreg, QRect(524, 28, 75, 21), "Salva", false},
      {form.btVider, QRect(524, 52, 75, 21), "Vuota Buffer", false},
      {form.btEfface, QRect(524, 84, 75, 21), "Cancella", true},
      {form.btEcrire, QRect(524, 108, 75, 21), "Scrivi", false},
      {form.btVerifier, QRect(524, 132, 75, 21), "Verifica", false},
      {form.btLire, QRect(524, 156, 75, 21), "Leggi", true},
      {form.rdEEpromSize, QRect(524, 180, 75, 61), " EEPROM ", true},
      {form.RadioGroup1, QRect(524, 244, 75, 77), " Port COM ", true},
      {form.StatusBar1, QRect(0, 340, 604, 21), "", true},
  };
  for (const auto& row : table) {
    const std::string name = row.control->objectName().toStdString();
    EXPECT_EQ(row.control->geometry(), row.geometry) << name;
    EXPECT_EQ(row.control->isEnabled(), row.enabled) << name;
    QString caption;
    if (auto* button = qobject_cast<QAbstractButton*>(row.control)) caption = button->text();
    if (auto* group = qobject_cast<QGroupBox*>(row.control)) caption = group->title();
    EXPECT_EQ(caption, row.caption) << name;
  }
  const auto itemTexts = [](const ui::qt::RadioGroup* group) {
    QStringList texts;
    for (const auto* item : group->Items()) texts << item->text();
    return texts;
  };
  EXPECT_EQ(itemTexts(form.rdEEpromSize), QStringList({"24C16", "24C32", "24C64"}));
  EXPECT_EQ(itemTexts(form.RadioGroup1), QStringList({"COM1", "COM2", "COM3", "COM4"}));

  EXPECT_EQ(form.Label1->text(), "ATR :");
  EXPECT_EQ(form.Label1->pos(), QPoint(4, 324));
  EXPECT_EQ(form.txtATR->pos(), QPoint(36, 324));
  EXPECT_TRUE(form.txtATR->font().bold());
  EXPECT_EQ(form.StatusPanel->width(), 350);
}

TEST_F(MainWindowTest, ListingIsReadOnlyMonospacedWithAVerticalScrollBar) {
  EXPECT_TRUE(form.Memo1->isReadOnly());
  EXPECT_EQ(form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  const QFontInfo font(form.Memo1->font());
  EXPECT_TRUE(font.fixedPitch()) << font.family().toStdString();
  EXPECT_EQ(font.pixelSize(), 11);
  EXPECT_EQ(QFontInfo(form.btLire->font()).pixelSize(), 11);
}

TEST_F(MainWindowTest, StartsEmptyWithTheLargestSizeOnCom1) {
  EXPECT_EQ(Listing(), "0000:" + std::string(49, ' '));
  EXPECT_EQ(Status(), "");
  EXPECT_EQ(Atr(), " ");
  EXPECT_EQ(form.rdEEpromSize->ItemIndex(), 2);
  EXPECT_EQ(form.RadioGroup1->ItemIndex(), 0);
  EXPECT_EQ(Enabled(), kWithoutData);
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(MainWindowTest, PortHasTheCardProgrammersSettings) {
  const TComPort& port = form.ComPort1;
  EXPECT_EQ(port.Port(), "COM2");
  EXPECT_EQ(port.BaudRate(), br9600);
  EXPECT_EQ(port.Parity().Bits(), prOdd);
  EXPECT_TRUE(port.Parity().Check());
  EXPECT_FALSE(port.Parity().Replace());
  EXPECT_EQ(port.StopBits(), sbTwoStopBits);
  EXPECT_EQ(port.DataBits(), dbEight);
  EXPECT_EQ(port.Events(), TComEvents::All());
  EXPECT_FALSE(port.OnRxChar || port.OnError || port.OnCTSChange || port.OnAfterOpen);
  const TComFlowControl& flow = port.FlowControl();
  EXPECT_FALSE(flow.OutCTSFlow() || flow.OutDSRFlow() || flow.XonXoffOut() || flow.XonXoffIn());
  EXPECT_EQ(flow.ControlDTR(), dtrDisable);
  EXPECT_EQ(flow.ControlRTS(), rtsDisable);
  const TComTimeouts& t = port.Timeouts();
  EXPECT_EQ((std::vector<int>{t.ReadInterval(), t.ReadTotalMultiplier(), t.ReadTotalConstant(),
                              t.WriteTotalMultiplier(), t.WriteTotalConstant()}),
            (std::vector<int>{0, 2, 400, 2, 400}));
  EXPECT_FALSE(port.Connected());
}

TEST_F(MainWindowTest, TabVisitsTheControlsInTheClassicOrder) {
  Load(File("image.bin", Noise(32)));  // the data commands take part only when enabled
  form.RadioGroup1->Items()[2]->click();
  form.show();
  form.activateWindow();
  QApplication::processEvents();
  form.Memo1->setFocus();
  QStringList visited;
  for (int i = 0; i < 11; ++i) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    visited << (focus->objectName().isEmpty() ? focus->property("text").toString()
                                              : focus->objectName());
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(focus, &tab);
  }
  // A radio group is one stop, at its chosen item.
  EXPECT_EQ(visited, QStringList({"Memo1", "btCharger", "btEnreg", "btEcrire", "btVerifier",
                                  "btLire", "COM3", "btEfface", "btVider", "24C64", "Memo1"}));
}

// --- File commands ------------------------------------------------------------------

TEST_F(MainWindowTest, LoadTakesAtMostTheChosenSizeAndShowsPathAndCount) {
  const struct {
    int sizeItem;
    std::size_t fileSize;
    int loaded;
  } cases[] = {{1, 10000, 4096}, {2, 10000, 8192}, {0, 2048, 2048}, {0, 100, 100}, {2, 0, 0}};
  for (const auto& c : cases) {
    if (form.btVider->isEnabled()) form.btVider->click();
    form.rdEEpromSize->SetItemIndex(c.sizeItem);
    const std::string bytes = Noise(c.fileSize);
    const std::string path = File("image " + std::to_string(c.fileSize) + ".bin", bytes);
    Load(path);
    SCOPED_TRACE(path);
    EXPECT_EQ(Status(), " " + path + " (" + std::to_string(c.loaded) + " octets)");
    EXPECT_EQ(Listing(), ListingOf(bytes.substr(0, static_cast<std::size_t>(c.loaded))));
    EXPECT_EQ(Enabled(), c.loaded > 0 ? kAllEnabled : kWithoutData);
  }
  EXPECT_TRUE(Errors().empty());
}

TEST_F(MainWindowTest, ListingShowsCardBytesAsWindows1252) {
  Load(File("text.bin", "A\x80\xE9\x7F\x81\xAD\xFF\x9F"));
  EXPECT_EQ(Listing(), "0000: 41 80 E9 7F 81 AD FF 9F" + std::string(25, ' ') + "A€é...ÿŸ");
}

TEST_F(MainWindowTest, SaveWritesExactlyTheWorkingData) {
  const std::string bytes = Noise(3000);
  Load(File("in.bin", bytes));
  const std::string target = dir.filePath("out.bin").toStdString();
  dialogs.AnswerFile(target);
  form.btEnreg->click();
  EXPECT_EQ(Status(), " " + target + " (3000 octets)");
  std::string saved;
  ASSERT_EQ(ReadFilePrefix(target, 100000, saved), FileReadResult::Ok);
  EXPECT_EQ(saved, bytes);
}

TEST_F(MainWindowTest, CancelledDialogsChangeNothing) {
  const std::string path = File("in.bin", Noise(100));
  Load(path);
  const std::string status = Status();
  const std::string listing = Listing();
  for (QPushButton* button : {form.btCharger, form.btEnreg}) {
    dialogs.AnswerFile(std::nullopt);
    button->click();
    EXPECT_EQ(Status(), status);
    EXPECT_EQ(Listing(), listing);
  }
  EXPECT_EQ(Enabled(), kAllEnabled);
  EXPECT_EQ(dialogs.shown().size(), 3u);
}

TEST_F(MainWindowTest, FileThatCannotBeOpenedLeavesTheDataAsItWas) {
  Load(File("in.bin", Noise(100)));
  const std::string status = Status();
  const std::string listing = Listing();
  const std::string missing = dir.filePath("missing.bin").toStdString();
  Load(missing);
  EXPECT_EQ(Errors(), (std::vector<Shown>{
                          {"error", "Belvanto", "Erreur d'ouverture du fichier " + missing + "."}}));
  EXPECT_EQ(Status(), status);
  EXPECT_EQ(Listing(), listing);
}

TEST_F(MainWindowTest, EmptyingTheBufferDisablesTheDataCommands) {
  Load(File("in.bin", Noise(100)));
  form.btVider->click();
  EXPECT_EQ(Status(), " Buffer vidé");
  EXPECT_EQ(Listing(), "0000:" + std::string(49, ' '));
  EXPECT_EQ(Enabled(), kWithoutData);
}

// --- EEPROM size --------------------------------------------------------------------

TEST_F(MainWindowTest, SizeChangeAnsweredNoKeepsChoiceDataCapacityAndPage) {
  Simulation& card = Attach("COM1", Card());
  const std::string path = File("in.bin", Noise(20));
  Load(path);
  dialogs.AnswerWarning(false);
  ChooseSize(0);
  EXPECT_EQ(dialogs.shown().back(),
            (Shown{"warning", "Avertissement",
                   "Le contenu du buffer sera perdu.\rVoulez-vous continuer ?"}));
  EXPECT_EQ(form.rdEEpromSize->ItemIndex(), 2);
  EXPECT_TRUE(form.rdEEpromSize->Items()[2]->isChecked());
  EXPECT_FALSE(form.rdEEpromSize->Items()[0]->isChecked());
  EXPECT_EQ(Status(), " " + path + " (20 octets)");
  EXPECT_EQ(Listing(), ListingOf(Noise(20)));

  form.btEcrire->click();  // still pages of 16
  EXPECT_EQ(Headers(TraceLines(card), kWriteHeader),
            (std::vector<std::string>{"host FF FB FF FF F7", "host FF FB FF F7 DF"}));
  Load(File("big.bin", Noise(10000)));  // still 8192 bytes
  EXPECT_EQ(Status(), " " + dir.filePath("big.bin").toStdString() + " (8192 octets)");
}

TEST_F(MainWindowTest, SizeChangeAnsweredYesEmptiesTheDataAndTakesTheNewSize) {
  Simulation& card = Attach("COM1", Card());
  Load(File("in.bin", Noise(100)));
  dialogs.AnswerWarning(true);
  ChooseSize(0);
  EXPECT_EQ(Status(), " Buffer vidé");
  EXPECT_EQ(Listing(), "0000:" + std::string(49, ' '));
  EXPECT_EQ(form.rdEEpromSize->ItemIndex(), 0);

  form.btLire->click();
  EXPECT_EQ(Status(), " Lecture OK (2048 octets)");
  Load(File("twenty.bin", Noise(20)));
  form.btEcrire->click();  // pages of 8
  EXPECT_EQ(Headers(TraceLines(card), kWriteHeader),
            (std::vector<std::string>{"host FF FB FF FF EF", "host FF FB FF EF EF",
                                      "host FF FB FF F7 DF"}));
}

TEST_F(MainWindowTest, SizeChangeWithoutDataAsksNothing) {
  Attach("COM1", Card());
  ChooseSize(1);
  form.btLire->click();
  EXPECT_EQ(Status(), " Lecture OK (4096 octets)");
  EXPECT_TRUE(dialogs.shown().empty());
}

// --- Card commands ------------------------------------------------------------------

TEST_F(MainWindowTest, ReadShowsTheWholeCardAndItsAtr) {
  const Simulation& card = Attach("COM1", Card());
  form.btLire->click();
  EXPECT_EQ(Status(), " Lecture OK (8192 octets)");
  EXPECT_EQ(Listing(), ListingOf(card.Memory()));
  EXPECT_EQ(Atr(), kGoodAtr);
  EXPECT_EQ(Enabled(), kAllEnabled);
  EXPECT_FALSE(form.ComPort1.Connected());
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(MainWindowTest, CardCommandsUseTheChosenPort) {
  Attach("COM3", Card(Eeprom::k24C32));
  form.RadioGroup1->Items()[2]->click();
  form.btLire->click();
  EXPECT_EQ(Status(), " Lecture OK (8192 octets)");  // a 24C32 repeats itself
  EXPECT_EQ(form.ComPort1.Port(), "COM3");
  EXPECT_TRUE(Errors().empty());
}

TEST_F(MainWindowTest, WriteThenVerifyOfALoadedFile) {
  const Simulation& card = Attach("COM1", Card());
  const std::string before = card.Memory();
  const std::string bytes = Noise(5000);
  Load(File("in.bin", bytes));
  form.btEcrire->click();
  EXPECT_EQ(Status(), " Ecriture OK (5000 octets)");
  EXPECT_EQ(card.Memory(), bytes + before.substr(5000));
  form.btVerifier->click();
  EXPECT_EQ(Status(), " Vérification OK");
  EXPECT_EQ(Listing(), ListingOf(bytes));
  EXPECT_TRUE(Errors().empty());
}

TEST_F(MainWindowTest, VerifyNamesTheFirstDifference) {
  const Simulation& card = Attach("COM1", Card());
  std::string bytes = card.Memory().substr(0, 0x300);
  bytes[0x1F0] = static_cast<char>(~bytes[0x1F0]);
  bytes[0x2FF] = static_cast<char>(~bytes[0x2FF]);
  Load(File("in.bin", bytes));
  form.btVerifier->click();
  EXPECT_EQ(Status(), " Echec vérification à l'adresse 0x01F0");
  EXPECT_EQ(Listing(), ListingOf(bytes));
}

TEST_F(MainWindowTest, EraseWritesFFOverTheWholeCardAndReadsItBack) {
  const struct {
    std::map<std::uint16_t, std::uint8_t> stuck;
    std::string status;
  } cases[] = {
      {{}, " Effacement OK"},
      {{{0, 0x00}}, " Echec effacement à l'adresse 0x0000"},
      {{{0x7FF, 0x12}}, " Echec effacement à l'adresse 0x07FF"},
  };
  form.rdEEpromSize->SetItemIndex(0);
  const std::string bytes = Noise(100);
  Load(File("in.bin", bytes));
  for (const auto& c : cases) {
    ReaderSetup setup = Card(Eeprom::k24C16);
    setup.stuckCells = c.stuck;
    const Simulation& card = Attach("COM1", setup);
    form.btEfface->click();
    EXPECT_EQ(Status(), c.status);
    std::string expected(2048, '\xFF');
    for (const auto& [address, value] : c.stuck) expected[address] = static_cast<char>(value);
    EXPECT_EQ(card.Memory(), expected);
    // Two openings, each with its reset: 256 pages of 8 written, then 8 blocks read.
    const auto lines = TraceLines(card);
    EXPECT_EQ(CountLines(lines, "RTS on"), 2);
    const auto writes = Headers(lines, kWriteHeader);
    EXPECT_EQ(writes.size(), 256u);
    EXPECT_EQ(writes.back(), "host FF FB 1F E0 EF");  // 00 20 07 F8 08
    EXPECT_EQ(Headers(lines, kReadHeader).size(), 8u);
    EXPECT_EQ(Listing(), ListingOf(bytes));  // the working data is untouched
  }
  EXPECT_TRUE(Errors().empty());
}

// --- Failures -----------------------------------------------------------------------

struct FailureCase {
  const char* name;
  ReaderSetup setup;
  QPushButton* TForm1::*button;
  std::string box;
  std::string atr;
};

ReaderSetup Faulty(void (*fault)(driver::sim::CardFaults&)) {
  ReaderSetup setup = Card();
  fault(setup.card);
  return setup;
}

ReaderSetup Foreign() {
  ReaderSetup setup = Card();
  setup.atr = driver::sim::ForeignAtr();
  return setup;
}

ReaderSetup Held() {
  ReaderSetup setup = Card();
  setup.heldByAnotherProgram = true;
  return setup;
}

// Test names show the case, not its bytes.
void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class CommandFailure : public MainWindowTest, public ::testing::WithParamInterface<FailureCase> {};

// The box tells; the status line, the listing and the working data stay; the commands
// come back as UpdateView leaves them.
TEST_P(CommandFailure, ShowsTheBoxAndKeepsStatusListingAndData) {
  const FailureCase& c = GetParam();
  Attach("COM1", c.setup);
  form.rdEEpromSize->SetItemIndex(0);
  const std::string path = File("in.bin", Noise(300));
  Load(path);
  const std::string listing = Listing();
  (form.*c.button)->click();
  EXPECT_EQ(Errors(), (std::vector<Shown>{{"error", "Belvanto", c.box}}));
  EXPECT_EQ(Status(), " " + path + " (300 octets)");
  EXPECT_EQ(Listing(), listing);
  EXPECT_EQ(Atr(), c.atr);
  EXPECT_EQ(Enabled(), kAllEnabled);

  // The working data is still what was loaded: it goes to a good card whole. (A port
  // whose card did not answer stays open until closed.)
  form.ComPort1.SetConnected(false);
  const Simulation& good = Attach("COM1", Card(Eeprom::k24C16));
  form.btEcrire->click();
  EXPECT_EQ(Status(), " Ecriture OK (300 octets)");
  EXPECT_EQ(good.Memory().substr(0, 300), Noise(300));
}

INSTANTIATE_TEST_SUITE_P(
    Cards, CommandFailure,
    ::testing::Values(
        FailureCase{"NoCard", EmptySlot(), &TForm1::btLire, "Aucune réponse, vérifiez le port.", ""},
        FailureCase{"ForeignCard", Foreign(), &TForm1::btVerifier,
                    "ATR non reconnu : carte non valide.", "3F 65 25 08 31 04 6C 90 00"},
        FailureCase{"PortHeld", Held(), &TForm1::btLire, "Port série occupé.", " "},
        FailureCase{"ReadBlockFails", Faulty([](auto& f) { f.wrongStatusAt = 3; }), &TForm1::btLire,
                    "Erreur de lecture.", kGoodAtr},
        FailureCase{"ShortBlock", Faulty([](auto& f) { f.lostByteAt = 0; }), &TForm1::btVerifier,
                    "Erreur de lecture.", kGoodAtr},
        FailureCase{"WritePageFails", Faulty([](auto& f) { f.wrongStatusAt = 5; }), &TForm1::btEcrire,
                    "Erreur d'écriture.", kGoodAtr},
        FailureCase{"EraseOnProtectedCard", Faulty([](auto& f) { f.writeProtected = true; }),
                    &TForm1::btEfface, "Erreur d'écriture.", kGoodAtr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, FailedReadWithoutDataKeepsTheDataCommandsOff) {
  form.btLire->click();
  EXPECT_EQ(Errors(),
            (std::vector<Shown>{{"error", "Belvanto", "Aucune réponse, vérifiez le port."}}));
  EXPECT_EQ(Status(), "");
  EXPECT_EQ(Listing(), "0000:" + std::string(49, ' '));
  EXPECT_EQ(Atr(), "");
  EXPECT_EQ(Enabled(), kWithoutData);
}

// --- One command at a time ----------------------------------------------------------

TEST_F(MainWindowTest, WhileACardCommandRunsNoOtherStarts) {
  Simulation& card = Attach("COM1", Card());
  Load(File("in.bin", Noise(100)));
  form.show();
  std::vector<bool> enabledDuringRead;
  bool closed = true;
  // Runs at the first message processing inside the read.
  QTimer::singleShot(0, [&] {
    enabledDuringRead = Enabled();
    for (QPushButton* button : {form.btCharger, form.btEnreg, form.btVider, form.btEfface,
                                form.btEcrire, form.btVerifier, form.btLire})
      button->click();
    form.rdEEpromSize->Items()[0]->click();
    form.RadioGroup1->Items()[1]->click();
    closed = form.close();
  });
  form.btLire->click();
  EXPECT_EQ(enabledDuringRead, std::vector<bool>(9, false));
  EXPECT_FALSE(closed);
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(Status(), " Lecture OK (8192 octets)");
  EXPECT_EQ(CountLines(TraceLines(card), "RTS on"), 1);
  EXPECT_EQ(form.rdEEpromSize->ItemIndex(), 2);
  EXPECT_EQ(form.RadioGroup1->ItemIndex(), 0);
  EXPECT_EQ(dialogs.shown().size(), 1u);  // the open dialog of the load
  EXPECT_EQ(Enabled(), kAllEnabled);
}

// A file command lets messages run when it shows its status: a click waiting there is
// dropped, and a size choice goes back to the one in force.
TEST_F(MainWindowTest, WhileAFileCommandRunsNoOtherStarts) {
  Simulation& card = Attach("COM1", Card());
  const std::string path = File("in.bin", Noise(100));
  form.show();
  QTimer::singleShot(0, [&] {
    form.btLire->click();
    form.rdEEpromSize->Items()[0]->click();
  });
  Load(path);
  EXPECT_EQ(Status(), " " + path + " (100 octets)");
  EXPECT_EQ(CountLines(TraceLines(card), "RTS on"), 0);
  EXPECT_EQ(form.rdEEpromSize->ItemIndex(), 2);
  EXPECT_TRUE(form.rdEEpromSize->Items()[2]->isChecked());
  EXPECT_EQ(dialogs.shown().size(), 1u);
  EXPECT_TRUE(form.close());  // between commands the window closes

}

}  // namespace
