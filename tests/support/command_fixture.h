#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "card/command_core.h"
#include "serial/comport.h"
#include "sim/setup.h"
#include "sim/simulation.h"
#include "support/event_watching.h"
#include "support/recording_toolkit.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "ui/error_report.h"

// A card as the command tests use it: a full 24C64 read takes about 5 ms, the line is
// traced.
driver::sim::ReaderSetup Card(driver::sim::Eeprom eeprom = driver::sim::Eeprom::k24C64);
driver::sim::ReaderSetup EmptySlot();
// The listing shown for `bytes`.
std::string ListingOf(const std::string& bytes);
// `size` bytes of the same pseudo-random run every time.
std::string Noise(std::size_t size);
// The simulated line's trace, one exchange per line.
std::vector<std::string> TraceLines(const driver::sim::Simulation& simulation);
int CountLines(const std::vector<std::string>& lines, const std::string& line);

// The card programmer's commands with their dialogs answered from a script. Every port
// the commands can choose has a simulated reader (a reader without a card unless the
// test attaches another): no test opens a device.
class CommandFixture : public ::testing::Test {
 protected:
  CommandFixture();
  ~CommandFixture() override;

  driver::sim::Simulation& Attach(const std::string& port, const driver::sim::ReaderSetup& setup);
  // A file in the test's folder holding `bytes`; its path.
  std::string File(const std::string& name, const std::string& bytes);

  TempFolder folder;
  ScriptedDialogs dialogs;

 private:
  std::map<std::string, std::shared_ptr<driver::sim::Simulation>> simulations_;
};

// The command core shown by a view that records what it is told, run as a front end
// runs it: an error escaping a command goes to the application-wide handler.
class CoreTest : public CommandFixture, private CommandView {
 protected:
  CoreTest();

  void Run(bool (CommandCore::*command)()) { ui::RunGuarded([=, this] { (core.*command)(); }); }
  void ChooseSize(int index) { ui::RunGuarded([=, this] { core.ChooseSize(index); }); }
  // Loads `path` through the open dialog.
  void Load(const std::string& path) { dialogs.AnswerFile(path); Run(&CommandCore::Load); }
  // The messages of the errors reported, as the error box shows them.
  std::vector<std::string> Errors() const;

  RecordingToolkit toolkit;
  TComPort port;
  int portIndex = 0;
  std::string status;
  std::string listing;
  std::vector<std::string> atrs;  // every one shown, in order
  // Load, Save, Clear, Erase, Write, Verify, Read, the size and port choices.
  std::vector<bool> enabled = std::vector<bool>(9, true);
  std::vector<int> sizesSelected;  // put back without a click
  CommandCore core{*this, dialogs, toolkit, port, nullptr};

 private:
  void ShowListing(const std::string& text) override { listing = text; }
  void ShowStatus(const std::string& message) override { status = message; }
  void ShowAtr(const std::string& atr) override { atrs.push_back(atr); }
  void EnableControl(Control control, bool on) override { enabled[static_cast<int>(control)] = on; }
  void SelectSize(int index) override { sizesSelected.push_back(index); }

  test_support::ReportedMessages reported_;
};
