#include <gtest/gtest.h>

#include <filesystem>

#include "card/card_port.h"
#include "serial/comport.h"
#include "serial/ini_file.h"
#include "serial/registry.h"
#include "support/storage_fixture.h"

namespace {

constexpr TStoredGroups kAllGroups = TStoredGroups::All();

// The port of the card programmer, named as the window names it.
void MakeCardProgrammerPort(TComPort& port) {
  port.SetName("ComPort1");
  ApplyCardPortSettings(port);
}

TEST_F(StorageTest, ANewComponentStoresItsSixBasicValues) {
  EXPECT_EQ(port.StoredGroups(), TStoredGroups{sgBasic});
  port.SaveToRegistry(Registry());
  EXPECT_EQ(ReadWholeFile(RegName()),
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Belvanto\\ComPort]\r\n"
            "\"Port\"=\"COM1\"\r\n"
            "\"BaudRate\"=\"9600\"\r\n"
            "\"StopBits\"=\"1\"\r\n"
            "\"DataBits\"=\"8\"\r\n"
            "\"Parity\"=\"None\"\r\n"
            "\"FlowControl\"=\"None\"\r\n");
  port.SetName("Port");
  port.SaveToIniFile(ini);
  EXPECT_EQ(ReadWholeFile(IniName()),
            "[Port]\r\nPort=COM1\r\nBaudRate=9600\r\nStopBits=1\r\nDataBits=8\r\nParity=None\r\n"
            "FlowControl=None\r\n");
}

TEST_F(StorageTest, TheCardProgrammersPortWithAllGroupsInASettingsFile) {
  MakeCardProgrammerPort(port);
  port.SetStoredGroups(kAllGroups);
  port.SaveToIniFile(ini);
  EXPECT_EQ(ReadWholeFile(IniName()),
            "[ComPort1]\r\n"
            "Port=COM2\r\n"
            "BaudRate=9600\r\n"
            "StopBits=2\r\n"
            "DataBits=8\r\n"
            "Parity=Odd\r\n"
            "FlowControl=None\r\n"
            "EventChar=#0\r\n"
            "DiscardNull=No\r\n"
            "Parity.Check=Yes\r\n"
            "Parity.Replace=No\r\n"
            "Parity.ReplaceChar=#0\r\n"
            "Buffer.OutputSize=1024\r\n"
            "Buffer.InputSize=1024\r\n"
            "Timeouts.ReadInterval=0\r\n"
            "Timeouts.ReadTotalConstant=400\r\n"
            "Timeouts.ReadTotalMultiplier=2\r\n"
            "Timeouts.WriteTotalConstant=400\r\n"
            "Timeouts.WriteTotalMultiplier=2\r\n"
            "FlowControl.ControlRTS=Disable\r\n"
            "FlowControl.ControlDTR=Disable\r\n"
            "FlowControl.DSRSensitivity=No\r\n"
            "FlowControl.OutCTSFlow=No\r\n"
            "FlowControl.OutDSRFlow=No\r\n"
            "FlowControl.TxContinueOnXoff=No\r\n"
            "FlowControl.XonXoffIn=No\r\n"
            "FlowControl.XonXoffOut=No\r\n"
            "FlowControl.XoffChar=#19\r\n"
            "FlowControl.XonChar=#17\r\n");
}

TEST_F(StorageTest, TheCardProgrammersPortWithAllGroupsInTheRegistry) {
  MakeCardProgrammerPort(port);
  port.SetStoredGroups(kAllGroups);
  port.SaveToRegistry(Registry());
  EXPECT_EQ(ReadWholeFile(RegName()),
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Belvanto\\ComPort]\r\n"
            "\"Port\"=\"COM2\"\r\n"
            "\"BaudRate\"=\"9600\"\r\n"
            "\"StopBits\"=\"2\"\r\n"
            "\"DataBits\"=\"8\"\r\n"
            "\"Parity\"=\"Odd\"\r\n"
            "\"FlowControl\"=\"None\"\r\n"
            "\"EventChar\"=\"#0\"\r\n"
            "\"DiscardNull\"=\"No\"\r\n"
            "\"Parity.Check\"=\"Yes\"\r\n"
            "\"Parity.Replace\"=\"No\"\r\n"
            "\"Parity.ReplaceChar\"=\"#0\"\r\n"
            "\"Buffer.OutputSize\"=dword:00000400\r\n"
            "\"Buffer.InputSize\"=dword:00000400\r\n"
            "\"Timeouts.ReadInterval\"=dword:00000000\r\n"
            "\"Timeouts.ReadTotalConstant\"=dword:00000190\r\n"
            "\"Timeouts.ReadTotalMultiplier\"=dword:00000002\r\n"
            "\"Timeouts.WriteTotalConstant\"=dword:00000190\r\n"
            "\"Timeouts.WriteTotalMultiplier\"=dword:00000002\r\n"
            "\"FlowControl.ControlRTS\"=\"Disable\"\r\n"
            "\"FlowControl.ControlDTR\"=\"Disable\"\r\n"
            "\"FlowControl.DSRSensitivity\"=\"No\"\r\n"
            "\"FlowControl.OutCTSFlow\"=\"No\"\r\n"
            "\"FlowControl.OutDSRFlow\"=\"No\"\r\n"
            "\"FlowControl.TxContinueOnXoff\"=\"No\"\r\n"
            "\"FlowControl.XonXoffIn\"=\"No\"\r\n"
            "\"FlowControl.XonXoffOut\"=\"No\"\r\n"
            "\"FlowControl.XoffChar\"=\"#19\"\r\n"
            "\"FlowControl.XonChar\"=\"#17\"\r\n");
}

TEST_F(StorageTest, ACustomSpeedIsStoredAsCustomPlusItsNumberAndComesBack) {
  port.SetBaudRate(brCustom);
  port.SetCustomBaudRate(31250);
  port.SaveToRegistry(Registry());
  port.SaveToIniFile(ini);
  EXPECT_NE(ReadWholeFile(RegName()).find("\"BaudRate\"=\"Custom\"\r\n"
                                          "\"CustomBaudRate\"=dword:00007a12\r\n"),
            std::string::npos);
  EXPECT_NE(ReadWholeFile(IniName()).find("BaudRate=Custom\r\nCustomBaudRate=31250\r\n"),
            std::string::npos);

  TComPort fromRegistry;
  fromRegistry.LoadFromRegistry(Registry());
  TComPort fromIni;
  fromIni.LoadFromIniFile(ini);
  for (const TComPort* loaded : {&fromRegistry, &fromIni}) {
    EXPECT_EQ(loaded->BaudRate(), brCustom);
    EXPECT_EQ(loaded->CustomBaudRate(), 31250);
  }
}

TEST_F(StorageTest, EverySettingComesBackThroughBothStores) {
  MakeUnusualPort(port);
  port.SetStoredGroups(kAllGroups);
  port.SaveToRegistry(Registry());
  port.SaveToIniFile(ini);
  for (const bool registry : {true, false}) {
    TComPort loaded;
    loaded.SetName(port.Name());
    loaded.SetStoredGroups(kAllGroups);
    if (registry)
      loaded.LoadFromRegistry(Registry());
    else
      loaded.LoadFromIniFile(ini);
    EXPECT_EQ(Settings(loaded), Settings(port)) << (registry ? "registry" : "settings file");
  }
}

TEST_F(StorageTest, OnlySelectedGroupsAreWrittenAndNothingElseIsTouched) {
  WriteWholeFile(IniName(),
                 "; kept\n"
                 "[Window]\n"
                 "Left=10\n"
                 "[Port]\n"
                 "BaudRate=115200\n"
                 "Unknown=kept too\n");
  port.SetName("Port");
  port.SetStoredGroups({sgBuffer, sgOthers});
  port.Buffer().SetInputSize(4096);
  port.SetEventChar('\r');
  port.SaveToIniFile(ini);
  EXPECT_EQ(ReadWholeFile(IniName()),
            "; kept\n"
            "[Window]\n"
            "Left=10\n"
            "[Port]\n"
            "BaudRate=115200\n"
            "Unknown=kept too\n"
            "EventChar=#13\n"
            "DiscardNull=No\n"
            "Buffer.OutputSize=1024\n"
            "Buffer.InputSize=4096\n");

  Registry().WriteString("Port", "COM7");
  Registry().WriteString("Unknown", "kept");
  port.SaveToRegistry(Registry());
  EXPECT_EQ(Registry().ReadString("Port"), "COM7");
  EXPECT_EQ(Registry().ReadString("Unknown"), "kept");
  EXPECT_EQ(Registry().ReadInteger("Buffer.InputSize"), 4096);
  EXPECT_EQ(Registry().ReadString("EventChar"), "#13");
  EXPECT_EQ(Registry().ReadString("BaudRate"), "");
}

TEST_F(StorageTest, AStoreThatRefusesEndsTheSaveAtThatValue) {
  // A settings file that cannot be read whole is never rewritten; a registry key
  // path that cannot be written fails on the first value.
  WriteWholeFile(IniName(), "[S]\n");
  std::filesystem::resize_file(IniName(), 17 << 20);
  EXPECT_THROW(port.SaveToIniFile(ini), EIniFileException);
  TRegistry broken(folder.File("missing/folder.reg"));
  try {
    port.SaveToRegistry(broken);
    ADD_FAILURE() << "saved into a missing folder";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Erreur à définition des données pour 'Port'");
  }
}

}  // namespace
