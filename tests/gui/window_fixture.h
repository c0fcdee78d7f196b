#pragma once

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "apps/gui/main_window.h"
#include "sim/setup.h"
#include "sim/simulation.h"
#include "support/scripted_dialogs.h"
#include "ui/qt/application.h"

// A card as the window tests use it: a full 24C64 read takes about 5 ms, the line is
// traced.
driver::sim::ReaderSetup Card(driver::sim::Eeprom eeprom = driver::sim::Eeprom::k24C64);
driver::sim::ReaderSetup EmptySlot();
// The listing the window shows for `bytes`.
std::string ListingOf(const std::string& bytes);

// The main window with its dialogs answered from a script. Every port the window can
// choose has a simulated reader (a reader without a card unless the test attaches
// another): no test opens a device.
class WindowTest : public ::testing::Test {
 protected:
  WindowTest();
  ~WindowTest() override;

  driver::sim::Simulation& Attach(const std::string& port, const driver::sim::ReaderSetup& setup);
  // A file in the test's folder holding `bytes`; its path.
  std::string File(const std::string& name, const std::string& bytes);
  // Loads `path` through the open dialog.
  void Load(const std::string& path);
  void ChooseSize(int item);

  std::string Status() const;
  // As shown: toPlainText would turn the no-break space (A0) into a blank.
  std::string Listing() const;
  std::string Atr() const;
  // btCharger, btEnreg, btVider, btEfface, btEcrire, btVerifier, btLire, the two groups.
  std::vector<bool> Enabled() const;
  std::vector<ScriptedDialogs::Shown> Errors() const;

  QTemporaryDir dir;
  ScriptedDialogs dialogs;
  ui::qt::Application app{dialogs};
  TForm1 form{dialogs};

 private:
  std::map<std::string, std::shared_ptr<driver::sim::Simulation>> simulations_;
};
