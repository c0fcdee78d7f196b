#include "gui/window_fixture.h"

#include <QTextDocument>

#include <fstream>

#include "serial/driver/directory.h"
#include "ui/listing_text.h"

using driver::sim::ReaderSetup;

namespace {

constexpr double kSpeed = 2000;

}  // namespace

ReaderSetup Card(driver::sim::Eeprom eeprom) {
  ReaderSetup setup;
  setup.eeprom = eeprom;
  setup.speedFactor = kSpeed;
  setup.trace = true;
  return setup;
}

ReaderSetup EmptySlot() {
  ReaderSetup setup = Card();
  setup.cardInserted = false;
  return setup;
}

std::string ListingOf(const std::string& bytes) {
  TBuffer buffer;
  buffer.SetData(bytes);
  return ui::ListingForDisplay(buffer.Dump());
}

WindowTest::WindowTest() {
  for (const char* port : {"COM1", "COM2", "COM3", "COM4"}) Attach(port, EmptySlot());
}

WindowTest::~WindowTest() { driver::PortDirectory::Instance().DetachAll(); }

driver::sim::Simulation& WindowTest::Attach(const std::string& port, const ReaderSetup& setup) {
  auto simulation = std::make_shared<driver::sim::Simulation>(setup);
  driver::PortDirectory::Instance().Attach(port, simulation);
  simulations_[port] = simulation;
  return *simulation;
}

std::string WindowTest::File(const std::string& name, const std::string& bytes) {
  const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

void WindowTest::Load(const std::string& path) {
  dialogs.AnswerFile(path);
  form.btCharger->click();
}

void WindowTest::ChooseSize(int item) { form.rdEEpromSize->Items()[item]->click(); }

std::string WindowTest::Status() const { return form.StatusPanel->text().toStdString(); }

std::string WindowTest::Listing() const {
  return form.Memo1->document()->toRawText().replace(QChar::ParagraphSeparator, '\n').toStdString();
}

std::string WindowTest::Atr() const { return form.txtATR->text().toStdString(); }

std::vector<bool> WindowTest::Enabled() const {
  std::vector<bool> enabled;
  for (QWidget* control : std::initializer_list<QWidget*>{
           form.btCharger, form.btEnreg, form.btVider, form.btEfface, form.btEcrire,
           form.btVerifier, form.btLire, form.rdEEpromSize, form.RadioGroup1})
    enabled.push_back(control->isEnabled());
  return enabled;
}

std::vector<ScriptedDialogs::Shown> WindowTest::Errors() const {
  std::vector<ScriptedDialogs::Shown> errors;
  for (const auto& shown : dialogs.shown())
    if (shown.kind == "error") errors.push_back(shown);
  return errors;
}
