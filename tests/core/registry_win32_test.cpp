#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "serial/comport.h"
#include "serial/registry.h"
#include "support/registry_outcome.h"
#include "support/scratch_registry_key.h"

namespace {

class WindowsRegistry : public ::testing::Test {
 protected:
  ScratchRegistryKey scratch_;
  const std::string base_ = scratch_.Path();
  const std::string key_ = base_ + "\\Port";
};

TEST_F(WindowsRegistry, ValuesKeepTheirTypesAndFailuresNameTheValue) {
  TRegistry registry;
  ASSERT_FALSE(registry.OpenKey(key_, false));  // missing, and looking creates nothing
  ASSERT_TRUE(registry.OpenKey(key_ + "\\", true));
  EXPECT_EQ(registry.CurrentPath(), key_);
  registry.WriteString("Port", "COM1");
  registry.WriteInteger("CustomBaudRate", 31250);
  registry.WriteInteger("Negative", -1);
  registry.WriteString("Accents", "é à 😀");
  using Key = ScratchRegistryKey;
  scratch_.Plant(key_, "Expand", Key::kExpandString, std::string_view("%\0T\0\\\0x\0\0\0", 10));
  scratch_.Plant(key_, "Unended", Key::kString, std::string_view("a\0b\0c\0", 6));
  scratch_.Plant(key_, "Binary", Key::kBinary, "\x01\x02");
  scratch_.Plant(key_, "ShortWord", Key::kDword, "\x01\x02");
  const std::string wrongType = "Type de données incorrect pour '";
  const std::string unreadable = "Erreur à l'obtention des données pour '";
  const struct {
    const char* name;
    std::string asString;
    std::string asInteger;
  } cases[] = {
      {"port", "COM1", wrongType + "port'"},
      {"CustomBaudRate", wrongType + "CustomBaudRate'", "31250"},
      {"Negative", wrongType + "Negative'", "-1"},
      {"Accents", "é à 😀", wrongType + "Accents'"},
      {"Expand", "%T\\x", wrongType + "Expand'"},
      {"Unended", "abc", wrongType + "Unended'"},
      {"Binary", wrongType + "Binary'", wrongType + "Binary'"},
      {"ShortWord", "", unreadable + "ShortWord'"},
      {"Missing", "", unreadable + "Missing'"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Outcome([&] { return registry.ReadString(c.name); }), c.asString) << c.name;
    EXPECT_EQ(Outcome([&] { return std::to_string(registry.ReadInteger(c.name)); }), c.asInteger)
        << c.name;
  }
  // What the registry cannot hold as given is refused, as is every root but the five.
  const std::string refused = "Erreur à définition des données pour '";
  EXPECT_EQ(ErrorOf([&] { registry.WriteString("Latin1", "\xFC"); }), refused + "Latin1'");
  EXPECT_EQ(ErrorOf([&] { registry.WriteString("Zero", std::string("a\0b", 3)); }),
            refused + "Zero'");
  for (const char* root : {"HKCU", "HKEY_CURRENT_USER\\Software", ""}) {
    registry.SetRootKey(root);
    EXPECT_FALSE(registry.OpenKey(key_, true)) << root;
    EXPECT_EQ(ErrorOf([&] { registry.WriteString("V", "x"); }), refused + "V'") << root;
  }
  registry.SetRootKey("hkey_current_user");
  ASSERT_TRUE(registry.OpenKey("\\" + base_, false));
  ASSERT_TRUE(registry.OpenKey("Port", false));  // relative to the open key
  EXPECT_EQ(registry.ReadString("Port"), "COM1");
}

TEST_F(WindowsRegistry, AComponentSavedThereIsWhatRegQueryShowsAndLoadsBack) {
  TComPort saved;
  saved.SetBaudRate(brCustom);
  saved.SetCustomBaudRate(31250);
  saved.SetPort("COM3");
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(key_, true));
  saved.SaveToRegistry(registry);
  const std::string shown = ScratchRegistryKey::Query(key_);
  for (const std::string line :
       {"Port REG_SZ COM3", "BaudRate REG_SZ Custom", "CustomBaudRate REG_DWORD 0x7a12",
        "StopBits REG_SZ 1", "DataBits REG_SZ 8", "Parity REG_SZ None", "FlowControl REG_SZ None"})
    EXPECT_NE(shown.find("\n" + line + "\n"), std::string::npos) << line << " in\n" << shown;
  TComPort loaded;
  loaded.LoadFromRegistry(registry);
  EXPECT_EQ(loaded.Port(), "COM3");
  EXPECT_EQ(loaded.BaudRate(), brCustom);
  EXPECT_EQ(loaded.CustomBaudRate(), 31250);
}

}  // namespace
