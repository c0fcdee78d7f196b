#include "apps/gui/main_window.h"

#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>

#include "gui/window_fixture.h"
#include "serial/driver/directory.h"
#include "support/fake_system.h"

namespace {

using driver::sim::Simulation;

const char* const kGoodAtr = "3F 67 2F 00 11 14 00 03 68 90 00";

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

// --- The view ---------------------------------------------------------------------

// What the core tells the view reaches the widgets: the listing, the status after its
// margin, the ATR label, the controls, the port chosen in its group.
TEST_F(MainWindowTest, ACardCommandShowsInTheWidgets) {
  const Simulation& card = Attach("COM3", Card());
  form.RadioGroup1->Items()[2]->click();
  form.btLire->click();
  EXPECT_EQ(Status(), " Lecture OK (8192 octets)");
  EXPECT_EQ(Listing(), ListingOf(card.Memory()));
  EXPECT_EQ(Atr(), kGoodAtr);
  EXPECT_EQ(Enabled(), kAllEnabled);
  EXPECT_EQ(form.ComPort1.Port(), "COM3");
  form.btVider->click();
  EXPECT_EQ(Enabled(), kWithoutData);
  EXPECT_TRUE(dialogs.shown().empty());
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

// One FTDI adapter, no UART: COM1 stands for it; a menu choice is saved and mapped at once.
TEST_F(MainWindowTest, PortMenuChoiceIsSavedAndApplied) {
  FakeSystem system;  // no ttyS0
  system.UsbPort({"ttyUSB0", "ftdi_sio", "0403", "6001", "FTDI", "FT232R", "A5", "usb-A5"});
  const std::string dev = system.Dev(), byId = dev + "/serial/by-id/usb-A5";
  const std::string settings = folder.File("config/belvanto/belvanto.ini");
  driver::PortDirectory directory;
  PortChoices choices({settings, system.Folders()}, directory);
  form.UsePortChoices(choices, choices.Restore(false));
  form.show();  // lays the items out, so that a click lands on one
  EXPECT_EQ(Status(), " COM1 = " + dev + "/ttyUSB0 (FTDI FT232R)");
  const std::string ftdi = dev + "/ttyUSB0 (USB 0403:6001 FTDI FT232R, ftdi_sio, n° A5)";
  EXPECT_EQ(form.RadioGroup1->Items()[0]->toolTip().toStdString(), "COM1 : " + ftdi);
  QAbstractButton* com2 = form.RadioGroup1->Items()[1];
  const struct { QString item; std::string path, tip; } steps[] = {
      {QString::fromStdString(dev), byId, byId + " = " + ftdi}, {"Aucun", "", "/dev/ttyS1 (introuvable)"}};
  for (const auto& step : steps) {
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(2, 2), com2->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(com2, &click);
    std::unique_ptr<QMenu> menu(form.findChild<QMenu*>("PortMenu"));
    ASSERT_TRUE(menu);
    for (QAction* action : menu->actions())
      if (action->text().startsWith(step.item)) action->trigger();
    EXPECT_EQ(directory.PathOf("COM2"), step.path.empty() ? "/dev/ttyS1" : step.path);
    EXPECT_EQ(ReadWholeFile(settings), "[Ports]\r\nCOM2=" + step.path + "\r\n");
    EXPECT_EQ(com2->toolTip().toStdString(), "COM2 : " + step.tip);
  }
}

}  // namespace
