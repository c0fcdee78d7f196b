#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "apps/gui/main_window.h"
#include "support/command_fixture.h"
#include "ui/qt/application.h"

// The main window with its dialogs answered from a script and simulated readers on
// every port it can choose.
class WindowTest : public CommandFixture {
 protected:
  // Loads `path` through the open dialog.
  void Load(const std::string& path);

  std::string Status() const;
  // As shown: toPlainText would turn the no-break space (A0) into a blank.
  std::string Listing() const;
  std::string Atr() const;
  // btCharger, btEnreg, btVider, btEfface, btEcrire, btVerifier, btLire, the two groups.
  std::vector<bool> Enabled() const;
  std::vector<ScriptedDialogs::Shown> Errors() const;

  ui::qt::Application app{dialogs};
  TForm1 form{dialogs};
};
