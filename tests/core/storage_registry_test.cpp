#include <gtest/gtest.h>

#include <filesystem>

#include "serial/registry.h"
#include "support/registry_outcome.h"
#include "support/temp_folder.h"

namespace {

constexpr const char* kKey = "Software\\Belvanto\\Port";

class RegistryTest : public ::testing::Test {
 protected:
  std::string Name() const { return folder_.File("settings.reg"); }
  TRegistry OpenAtKey(bool canCreate = true) const {
    TRegistry registry(Name());
    EXPECT_TRUE(registry.OpenKey(kKey, canCreate));
    return registry;
  }

  TempFolder folder_;
};

TEST_F(RegistryTest, ANewFileIsARegistryExportWithTypedValues) {
  TRegistry registry = OpenAtKey();
  registry.WriteString("Port", "COM1");
  registry.WriteInteger("CustomBaudRate", 31250);
  registry.WriteInteger("Timeouts.ReadInterval", -1);
  registry.WriteString("Path", "C:\\dir\\\"x\"");
  EXPECT_EQ(ReadWholeFile(Name()),
            "Windows Registry Editor Version 5.00\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\Software\\Belvanto\\Port]\r\n"
            "\"Port\"=\"COM1\"\r\n"
            "\"CustomBaudRate\"=dword:00007a12\r\n"
            "\"Timeouts.ReadInterval\"=dword:ffffffff\r\n"
            "\"Path\"=\"C:\\\\dir\\\\\\\"x\\\"\"\r\n");
  EXPECT_EQ(registry.ReadString("port"), "COM1");
  EXPECT_EQ(registry.ReadInteger("CUSTOMBAUDRATE"), 31250);
  EXPECT_EQ(registry.ReadInteger("Timeouts.ReadInterval"), -1);
  EXPECT_EQ(registry.ReadString("Path"), "C:\\dir\\\"x\"");
}

// ASCII as regedit saves it: two bytes a character, the low one first.
std::string Wide(std::string_view ascii) {
  std::string bytes;
  for (const char c : ascii) bytes += {c, '\0'};
  return bytes;
}

TEST_F(RegistryTest, RegeditsOwnUtf16ExportIsReadAndWrittenBackAsUtf16) {
  const std::string head =
      "\xFF\xFE" + Wide("Windows Registry Editor Version 5.00\r\n\r\n"
                        "[HKEY_CURRENT_USER\\Software\\Belvanto\\Port]\r\n");
  const std::string tail = Wide("\"Size\"=dword:00000400\r\n");
  WriteWholeFile(Name(), head + Wide("\"Port\"=\"COM2\"\r\n") + tail);
  TRegistry registry = OpenAtKey(false);
  EXPECT_EQ(registry.ReadString("Port"), "COM2");
  EXPECT_EQ(registry.ReadInteger("Size"), 1024);
  registry.WriteString("Port", "COM3");
  registry.WriteString("New", "ü");
  EXPECT_EQ(registry.ReadString("New"), "ü");
  EXPECT_EQ(ErrorOf([&] { registry.WriteString("Latin1", "\xFC"); }),
            "Erreur à définition des données pour 'Latin1'");
  EXPECT_EQ(ReadWholeFile(Name()), head + Wide("\"Port\"=\"COM3\"\r\n") + tail +
                                       Wide("\"New\"=\"") + std::string("\xFC\0", 2) +
                                       Wide("\"\r\n"));
}

// An export with other keys, comments, a binary value over several lines and the key
// given twice (an import applies both blocks, the second one last).
const std::string kForeignHead =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "; exported by hand\n"
    "[HKEY_CURRENT_USER\\Software\\Other]\n"
    "\"Port\"=\"COM9\"\n"
    "\n"
    "[hkey_current_user\\software\\belvanto\\port]\n"
    "\"BaudRate\"=\"19200\"\n"
    "\"Blob\"=hex:01,02,\\\n"
    "  03,04\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Belvanto\\Port]\n";
const std::string kForeign = kForeignHead +
                             "\"StopBits\"=\"2\"\n"
                             "\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Belvanto\\Port]\n"
                             "\"DataBits\"=\"7\"\n";

TEST_F(RegistryTest, WritesChangeOnlyTheirOwnLinesAndKeepEverythingElse) {
  WriteWholeFile(Name(), kForeign);
  TRegistry registry = OpenAtKey(false);
  registry.WriteString("STOPBITS", "1");  // in the last block of the key
  registry.WriteString("Parity", "Odd");  // new: after that block's last line
  registry.WriteInteger("Buffer.InputSize", 1024);
  EXPECT_EQ(ReadWholeFile(Name()), kForeignHead +
                                       "\"StopBits\"=\"1\"\n"
                                       "\"Parity\"=\"Odd\"\n"
                                       "\"Buffer.InputSize\"=dword:00000400\n"
                                       "\n"
                                       "[HKEY_LOCAL_MACHINE\\Software\\Belvanto\\Port]\n"
                                       "\"DataBits\"=\"7\"\n");
  EXPECT_EQ(registry.ReadString("BaudRate"), "19200");
  EXPECT_EQ(registry.ReadString("DataBits"), "");
  registry.WriteString("Blob", "now text");  // the whole multi-line value is replaced
  EXPECT_EQ(registry.ReadString("Blob"), "now text");
  EXPECT_EQ(ReadWholeFile(Name()).find("03,04"), std::string::npos);
  ASSERT_TRUE(registry.OpenKey("\\Software\\Other", false));
  EXPECT_EQ(registry.ReadString("Port"), "COM9");
}

TEST_F(RegistryTest, ReadsGiveWhatAnImportWouldLeave) {
  WriteWholeFile(Name(),
                 "Windows Registry Editor Version 5.00\r\n"
                 "[HKEY_CURRENT_USER\\K]\r\n"
                 "\"Later\"=\"first\"\r\n"
                 "\"Gone\"=\"x\"\r\n"
                 "\"Gone\"=-\r\n"
                 "\"Word\"=dword:7A\r\n"
                 "\"Hex4\"=hex(4):12,34,00,00\r\n"
                 "\"Short\"=hex(4):12,34\r\n"
                 "\"Binary\"=hex:00\r\n"
                 "\"Expand\"=hex(2):25,00,3d,d8,00,de,00,00,41,00\r\n"
                 "\"OddExpand\"=hex(2):41\r\n"
                 "\"BadWord\"=dword:xyz\r\n"
                 "\"LongWord\"=dword:123456789\r\n"
                 "\"Open\"=\"no closing quote\r\n"
                 "\"Tail\"=\"text\" tail\r\n"
                 "@=\"default\"\r\n"
                 "[HKEY_CURRENT_USER\\K]\r\n"
                 "\"Later\"=\"second\"\r\n"
                 "[HKEY_CURRENT_USER\\Deleted\\Sub]\r\n"
                 "\"V\"=\"x\"\r\n"
                 "[-HKEY_CURRENT_USER\\Deleted]\r\n"
                 "\"Orphan\"=\"after a deletion\"\r\n");
  TRegistry registry(Name());
  ASSERT_TRUE(registry.OpenKey("K", false));
  EXPECT_EQ(registry.ReadString("Later"), "second");
  EXPECT_EQ(registry.ReadString(""), "default");
  EXPECT_EQ(registry.ReadInteger("Word"), 122);
  EXPECT_EQ(registry.ReadInteger("Hex4"), 0x3412);
  const struct {
    const char* name;
    const char* asString;
    const char* asInteger;
  } cases[] = {
      {"Gone", "", "Erreur à l'obtention des données pour 'Gone'"},
      {"Missing", "", "Erreur à l'obtention des données pour 'Missing'"},
      {"Later", "second", "Type de données incorrect pour 'Later'"},
      {"Word", "Type de données incorrect pour 'Word'", "122"},
      {"Binary", "Type de données incorrect pour 'Binary'",
       "Type de données incorrect pour 'Binary'"},
      {"Expand", "%😀", "Type de données incorrect pour 'Expand'"},
      {"OddExpand", "", "Erreur à l'obtention des données pour 'OddExpand'"},
      {"Short", "", "Erreur à l'obtention des données pour 'Short'"},
      {"BadWord", "", "Erreur à l'obtention des données pour 'BadWord'"},
      {"LongWord", "", "Erreur à l'obtention des données pour 'LongWord'"},
      {"Open", "", "Erreur à l'obtention des données pour 'Open'"},
      {"Tail", "", "Erreur à l'obtention des données pour 'Tail'"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Outcome([&] { return registry.ReadString(c.name); }), c.asString) << c.name;
    EXPECT_EQ(Outcome([&] { return std::to_string(registry.ReadInteger(c.name)); }), c.asInteger)
        << c.name;
  }
  EXPECT_FALSE(registry.OpenKey("\\Deleted\\Sub", false));
  EXPECT_FALSE(registry.OpenKey("\\Deleted", false));
  WriteWholeFile(Name(), "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"E\"=hex(2):25,41,00,42\n");
  EXPECT_EQ(registry.ReadString("E"), "%A");  // ANSI bytes up to the zero
}

TEST_F(RegistryTest, OpenKeyFindsCreatesAndRefuses) {
  TRegistry registry(Name());
  EXPECT_FALSE(registry.OpenKey("Software\\Belvanto", false));
  EXPECT_FALSE(std::filesystem::exists(Name()));  // looking creates nothing
  ASSERT_TRUE(registry.OpenKey("Software\\Belvanto\\Port\\", true));
  EXPECT_EQ(registry.CurrentPath(), "Software\\Belvanto\\Port");
  EXPECT_EQ(ReadWholeFile(Name()),
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Belvanto\\Port]\r\n");
  ASSERT_TRUE(registry.OpenKey("\\software\\BELVANTO", false));  // a parent of a key exists
  ASSERT_TRUE(registry.OpenKey("Port", false));                  // relative to the open key
  EXPECT_EQ(registry.CurrentPath(), "software\\BELVANTO\\Port");
  registry.CloseKey();
  registry.WriteString("AtRoot", "x");
  registry.SetRootKey("HKEY_LOCAL_MACHINE");
  ASSERT_TRUE(registry.OpenKey("Software", true));
  registry.WriteInteger("Machine", 1);
  EXPECT_EQ(ReadWholeFile(Name()),
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Belvanto\\Port]\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER]\r\n"
            "\"AtRoot\"=\"x\"\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\Software]\r\n"
            "\"Machine\"=dword:00000001\r\n");
  // An import knows no other root, so nothing may be written under one.
  const std::string before = ReadWholeFile(Name());
  for (const char* root : {"HKCU", "HKEY_LOCAL_MACHINE\\Software", ""}) {
    registry.SetRootKey(root);
    EXPECT_FALSE(registry.OpenKey("Software", true)) << root;
    EXPECT_EQ(ErrorOf([&] { registry.WriteString("V", "x"); }),
              "Erreur à définition des données pour 'V'");
  }
  EXPECT_EQ(ReadWholeFile(Name()), before);
}

TEST_F(RegistryTest, AFileThatIsNoExportHoldsNothingAndIsNeverReplaced) {
  for (const std::string& content : {std::string("[Section]\nkey=value\n"),
                                     std::string("Windows Registry Editor Version 4.00\n"),
                                     std::string("\xFF\xFEW\0i\0n\0", 8)}) {
    WriteWholeFile(Name(), content);
    TRegistry registry(Name());
    EXPECT_FALSE(registry.OpenKey(kKey, true));
    EXPECT_EQ(registry.ReadString("Port"), "");
    EXPECT_EQ(ErrorOf([&] { registry.WriteString("Port", "COM2"); }),
              "Erreur à définition des données pour 'Port'");
    EXPECT_EQ(ReadWholeFile(Name()), content);
  }
}

TEST_F(RegistryTest, TextsThatDoNotFitOnOneLineAreRefused) {
  TRegistry registry = OpenAtKey();
  const std::string before = ReadWholeFile(Name());
  EXPECT_EQ(ErrorOf([&] { registry.WriteString("Port", "COM1\r\n\"Evil\"=\"x\""); }),
            "Erreur à définition des données pour 'Port'");
  EXPECT_EQ(ErrorOf([&] { registry.WriteInteger("Two\nLines", 1); }),
            "Erreur à définition des données pour 'Two\nLines'");
  EXPECT_EQ(ReadWholeFile(Name()), before);
}

TEST_F(RegistryTest, GarbageReadsAsMissingAndNeverCrashes) {
  std::string garbage = "Windows Registry Editor Version 5.00\n";
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
  const std::string header = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\K]\n";
  for (const std::string& content :
       {garbage, header + "\"", header + "\"Port", header + "\"Port\"", header + "\"Port\"=",
        header + "\"Blob\"=hex:01,\\", header + "@", header + "[", header + "[]", header + "[]\r",
        header + "\"Blob\"=hex:01,\\\r", header + "\"Port\"=\"" + std::string(1 << 18, 'x')}) {
    WriteWholeFile(Name(), content);
    TRegistry registry(Name());
    ASSERT_TRUE(registry.OpenKey("K", true));
    EXPECT_EQ(registry.ReadString("Port"), "");
    EXPECT_EQ(ErrorOf([&] { registry.ReadInteger("Port"); }).substr(0, 6), "Erreur");
    registry.WriteInteger("Port", 7);
    EXPECT_EQ(registry.ReadInteger("Port"), 7);
  }
}

// Only the last joined line decides whether binary data goes on: a backslash followed
// by blanks earlier in the data must not swallow the block written after it.
TEST_F(RegistryTest, ABlockAddedAfterBinaryDataWithInnerBackslashesStaysItsOwn) {
  const std::string before =
      "REGEDIT4\n"
      "[HKEY_CURRENT_USER\\Other]\n"
      "\"Blob\"=hex:01,\\\t\t\t\t\t\t\\\t\n"
      "  \n";
  WriteWholeFile(Name(), before);
  TRegistry registry(Name());
  ASSERT_TRUE(registry.OpenKey("K", true));
  registry.WriteString("Port", "COM2");
  EXPECT_EQ(registry.ReadString("Port"), "COM2");
  EXPECT_EQ(ReadWholeFile(Name()), before + "[HKEY_CURRENT_USER\\K]\n\"Port\"=\"COM2\"\n");
}

TEST_F(RegistryTest, AWriteThatFailsOnDiskRaisesAndLeavesNoTrace) {
  TRegistry registry(folder_.File("no/such/folder.reg"));
  EXPECT_FALSE(registry.OpenKey(kKey, true));
  EXPECT_EQ(ErrorOf([&] { registry.WriteString("Port", "COM1"); }),
            "Erreur à définition des données pour 'Port'");
  EXPECT_FALSE(std::filesystem::exists(folder_.File("no")));
}

}  // namespace
