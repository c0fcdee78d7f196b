#include <gtest/gtest.h>

#include <cerrno>

#include "serial/comport.h"
#include "support/registry_outcome.h"
#include "support/storage_fixture.h"

using Strings = std::vector<std::string>;

namespace {

// kFreshState with several fields changed.
std::string StateWith(std::initializer_list<std::pair<std::string, std::string>> changes) {
  std::string state = kFreshState;
  for (const auto& [field, value] : changes) state.replace(state.find(field), field.size(), value);
  return state;
}

TEST_F(StorageTest, AnEmptySectionLeavesEverySettingAsItWas) {
  MakeUnusualPort(port);
  port.SetStoredGroups(TStoredGroups::All());
  WriteWholeFile(IniName(), "[Unusual]\n[Other]\nBaudRate=110\n");
  const std::string before = Settings(port);
  port.LoadFromIniFile(ini);
  // ... except the custom speed, whose default is 9600 rather than its current value.
  std::string expected = before;
  expected.replace(expected.find("CustomBaudRate=31250"), 20, "CustomBaudRate=9600");
  EXPECT_EQ(Settings(port), expected);
}

TEST_F(StorageTest, UnreadableSettingsFileValuesGiveTheirFallbacks) {
  WriteWholeFile(IniName(),
                 "[ComPort]\n"
                 "BaudRate= 19200\n"  // blanks around values are not part of them
                 "StopBits=1,5\n"     // no such entry: one stop bit
                 "Parity=odd\n"
                 "DataBits=eight\n"  // no such entry: eight data bits
                 "EventChar=#$41\n"
                 "DiscardNull=TRUE\n"      // only yes is true
                 "Buffer.InputSize=big\n"  // not a number: the current value stays
                 "Buffer.OutputSize=$800\n");
  port.SetName("comport");
  port.SetStoredGroups({sgBasic, sgOthers, sgBuffer});
  port.SetDataBits(dbFive);
  port.SetStopBits(sbTwoStopBits);
  port.SetDiscardNull(true);
  port.LoadFromIniFile(ini);
  EXPECT_EQ(port.BaudRate(), br19200);
  EXPECT_EQ(port.StopBits(), sbOneStopBit);
  EXPECT_EQ(port.Parity().Bits(), prOdd);
  EXPECT_EQ(port.DataBits(), dbEight);
  EXPECT_EQ(port.EventChar(), 'A');
  EXPECT_FALSE(port.DiscardNull());
  EXPECT_EQ(port.Buffer().InputSize(), 1024);
  EXPECT_EQ(port.Buffer().OutputSize(), 2048);
}

TEST_F(StorageTest, AMissingRegistryStringGivesItsFallback) {
  port.SetPort("COM4");
  port.SetBaudRate(br115200);
  port.Parity().SetBits(prEven);
  port.FlowControl().SetFlowControl(fcHardware);
  Registry().WriteString("StopBits", "2");
  port.LoadFromRegistry(Registry());
  EXPECT_EQ(port.Port(), "COM1");  // the empty name, normalised
  EXPECT_EQ(port.BaudRate(), br9600);
  EXPECT_EQ(port.StopBits(), sbTwoStopBits);
  EXPECT_EQ(port.Parity().Bits(), prNone);
  // The preset's fallback is fcCustom, which leaves the switches as they are.
  EXPECT_EQ(port.FlowControl().FlowControl(), fcHardware);
}

TEST_F(StorageTest, AMissingRegistryIntegerEndsTheLoadAfterTheValuesBeforeIt) {
  Registry().WriteInteger("Buffer.OutputSize", 512);
  Registry().WriteInteger("Timeouts.ReadInterval", 5);
  port.SetStoredGroups({sgBuffer, sgTimeouts});
  EXPECT_EQ(ErrorOf([&] { port.LoadFromRegistry(Registry()); }),
            "Erreur à l'obtention des données pour 'Buffer.InputSize'");
  EXPECT_EQ(port.Buffer().OutputSize(), 512);
  EXPECT_EQ(port.Timeouts().ReadInterval(), -1);
}

TEST_F(StorageTest, RegistryValuesOfTheWrongTypeAreRefused) {
  Registry().WriteInteger("Port", 3);
  EXPECT_EQ(ErrorOf([&] { port.LoadFromRegistry(Registry()); }),
            "Type de données incorrect pour 'Port'");
  Registry().WriteString("Port", "COM3");
  Registry().WriteString("BaudRate", "Custom");
  Registry().WriteString("CustomBaudRate", "31250");
  EXPECT_EQ(ErrorOf([&] { port.LoadFromRegistry(Registry()); }),
            "Type de données incorrect pour 'CustomBaudRate'");
  EXPECT_EQ(port.Port(), "COM3");
  EXPECT_EQ(port.BaudRate(), brCustom);
  EXPECT_EQ(port.StopBits(), sbOneStopBit);
}

TEST_F(StorageTest, TheCustomSpeedIsReadOnlyAfterBaudRateTurnedCustom) {
  // A leftover number beside a standard speed is neither read nor an error.
  Registry().WriteString("BaudRate", "110");
  Registry().WriteString("CustomBaudRate", "not even an integer");
  port.SetBaudRate(brCustom);
  port.SetCustomBaudRate(31250);
  port.LoadFromRegistry(Registry());
  EXPECT_EQ(port.BaudRate(), br110);
  EXPECT_EQ(port.CustomBaudRate(), 31250);
}

TEST_F(StorageTest, ThePresetComesFirstAndTheFlowDetailsOverwriteIt) {
  WriteWholeFile(IniName(),
                 "[ComPort]\nFlowControl=Hardware\nFlowControl.ControlRTS=Disable\n"
                 "FlowControl.OutCTSFlow=No\n");
  port.SetName("ComPort");
  port.LoadFromIniFile(ini);  // the basic group alone: the preset decides
  EXPECT_EQ(port.FlowControl().ControlRTS(), rtsHandshake);
  EXPECT_TRUE(port.FlowControl().OutCTSFlow());

  TComPort both;
  both.SetName("ComPort");
  both.SetStoredGroups({sgBasic, sgFlowDetails});
  both.LoadFromIniFile(ini);
  EXPECT_EQ(both.FlowControl().ControlRTS(), rtsDisable);
  EXPECT_FALSE(both.FlowControl().OutCTSFlow());
  EXPECT_EQ(both.FlowControl().FlowControl(), fcNone);
}

TEST_F(StorageTest, ALoadOnAnOpenPortResendsEachChangedGroupThroughTheSetters) {
  WriteWholeFile(IniName(),
                 "[ComPort]\n"
                 "BaudRate=19200\n"
                 "DataBits=8\n"  // unchanged: nothing sent
                 "Parity=Even\n"
                 "Buffer.InputSize=2048\n"
                 "Timeouts.ReadTotalConstant=400\n");
  port.SetName("ComPort");
  port.SetStoredGroups({sgBasic, sgBuffer, sgTimeouts});
  OpenQuietly();
  port.LoadFromIniFile(ini);
  const std::string evenAt19200 =
      StateWith({{"baud=9600", "baud=19200"}, {"parity=0", "parity=2"}});
  EXPECT_EQ(driver.Calls(),
            (Strings{StateWith({{"baud=9600", "baud=19200"}}), evenAt19200,
                     evenAt19200,  // the preset re-sends the line group in any case
                     "SetQueueSizes 2048 1024", "SetTimeouts 4294967295 0 400 100 1000"}));
}

TEST_F(StorageTest, ADriverThatRefusesMidLoadLeavesEarlierValuesApplied) {
  WriteWholeFile(IniName(), "[ComPort]\nBaudRate=19200\nStopBits=2\nParity=Odd\n");
  port.SetName("ComPort");
  OpenQuietly();
  driver.Fail("SetState", EINVAL);
  try {
    port.LoadFromIniFile(ini);
    ADD_FAILURE() << "the refusal was not raised";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.Code(), 7);
    EXPECT_EQ(e.WinErrorCode(), EINVAL);
  }
  EXPECT_EQ(port.BaudRate(), br19200);  // stored before the driver refused it
  EXPECT_EQ(port.StopBits(), sbOneStopBit);
  EXPECT_EQ(port.Parity().Bits(), prNone);
  EXPECT_TRUE(port.Connected());
}

TEST_F(StorageTest, ANewPortNameReopensAnOpenPortAndAFailedReopenEndsTheLoad) {
  WriteWholeFile(IniName(), "[ComPort]\nPort=com3\nBaudRate=19200\n");
  port.SetName("ComPort");
  OpenQuietly();
  driver.Fail("Open", ENOENT);
  EXPECT_THROW(port.LoadFromIniFile(ini), EComPort);
  EXPECT_EQ(port.Port(), "COM3");
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.BaudRate(), br9600);

  driver.Heal("Open");
  port.SetPort("COM1");
  OpenQuietly();
  port.LoadFromIniFile(ini);
  const Strings calls = driver.Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0], "Purge 0x3");
  EXPECT_EQ(calls.back(), StateWith({{"baud=9600", "baud=19200"}}));
  EXPECT_NE(std::find(calls.begin(), calls.end(), "Open COM3"), calls.end());
}

}  // namespace
