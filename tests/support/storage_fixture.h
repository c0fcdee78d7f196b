#pragma once

#include <string>

#include "serial/ini_file.h"
#include "serial/registry.h"
#include "support/comport_fixture.h"
#include "support/temp_folder.h"

// A component on a recording driver with a settings file and a registry export file
// in a fresh folder; the registry is opened at the component's key.
class StorageTest : public ComPortTest {
 protected:
  std::string IniName() const { return folder.File("settings.ini"); }
  std::string RegName() const { return folder.File("settings.reg"); }
  TRegistry& Registry();

  TempFolder folder;
  TIniFile ini{IniName()};

 private:
  TRegistry registry_{RegName()};
  bool keyOpen_ = false;
};

// Gives every stored setting a value other than its creation value.
void MakeUnusualPort(TCustomComPort& port);
// Every stored setting of the component, one "key=value" per line.
std::string Settings(const TCustomComPort& port);
