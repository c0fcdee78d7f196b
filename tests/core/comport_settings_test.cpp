#include <functional>

#include "support/comport_fixture.h"

using Strings = std::vector<std::string>;

namespace {

struct SetterCase {
  const char* name;
  std::function<void(TCustomComPort&)> set;
  std::string sent;  // the one call the change makes on an open port
};

}  // namespace

TEST_F(ComPortTest, CardProgrammerSettingsReachTheDriverQueuesFirstThenLineThenTimeouts) {
  port.SetBaudRate(br9600);
  port.SetDataBits(dbEight);
  port.Parity().SetBits(prOdd);
  port.SetStopBits(sbTwoStopBits);
  port.FlowControl().SetFlowControl(fcNone);
  port.Timeouts().SetReadInterval(0);
  port.Timeouts().SetReadTotalMultiplier(2);
  port.Timeouts().SetReadTotalConstant(400);
  port.Timeouts().SetWriteTotalMultiplier(2);
  port.Timeouts().SetWriteTotalConstant(400);
  EXPECT_EQ(driver.Calls(), Strings{});

  port.Open();
  EXPECT_EQ(driver.Calls(),
            (Strings{"Open COM1", "SetQueueSizes 1024 1024",
                     "SetState baud=9600 flags=0x0001 xonlim=256 xofflim=256 bytesize=8 parity=1 "
                     "stopbits=2 xon=0x11 xoff=0x13 error=0x00 eof=0x00 evt=0x00 length=28",
                     "SetTimeouts 0 2 400 2 400", "ModemStatus", "ModemStatus", "ModemStatus"}));
}

TEST_F(ComPortTest, FreshComponentOpensWithItsCreationValues) {
  port.Open();
  EXPECT_EQ(driver.Calls(), (Strings{"Open COM1", "SetQueueSizes 1024 1024", kFreshState,
                                     kFreshTimeouts, "ModemStatus", "ModemStatus", "ModemStatus"}));
}

// Every single setter re-sends exactly its group, with only its own field changed;
// the same value again sends nothing.
TEST_F(ComPortTest, SingleSettersResendTheirGroupOnceAndEqualValuesNothing) {
  const SetterCase cases[] = {
      {"BaudRate 110", [](auto& p) { p.SetBaudRate(br110); },
       FreshStateWith("baud=9600", "baud=110")},
      {"BaudRate 56000", [](auto& p) { p.SetBaudRate(br56000); }, FreshStateWith("9600", "56000")},
      {"BaudRate 256000", [](auto& p) { p.SetBaudRate(br256000); },
       FreshStateWith("9600", "256000")},
      {"BaudRate custom", [](auto& p) { p.SetBaudRate(brCustom); }, kFreshState},
      {"CustomBaudRate unused", [](auto& p) { p.SetCustomBaudRate(31250); }, kFreshState},
      {"StopBits 1.5", [](auto& p) { p.SetStopBits(sbOne5StopBits); },
       FreshStateWith("stopbits=0", "stopbits=1")},
      {"DataBits 5", [](auto& p) { p.SetDataBits(dbFive); },
       FreshStateWith("bytesize=8", "bytesize=5")},
      {"DataBits 7", [](auto& p) { p.SetDataBits(dbSeven); },
       FreshStateWith("bytesize=8", "bytesize=7")},
      {"DiscardNull", [](auto& p) { p.SetDiscardNull(true); }, FreshStateWith("0x0001", "0x0801")},
      {"EventChar", [](auto& p) { p.SetEventChar('A'); }, FreshStateWith("evt=0x00", "evt=0x41")},
      {"Parity Space", [](auto& p) { p.Parity().SetBits(prSpace); },
       FreshStateWith("parity=0", "parity=4")},
      {"Parity Check", [](auto& p) { p.Parity().SetCheck(true); },
       FreshStateWith("0x0001", "0x0003")},
      {"Replace without Check", [](auto& p) { p.Parity().SetReplace(true); }, kFreshState},
      {"ReplaceChar without Check", [](auto& p) { p.Parity().SetReplaceChar('?'); }, kFreshState},
      {"OutCTSFlow", [](auto& p) { p.FlowControl().SetOutCTSFlow(true); },
       FreshStateWith("0x0001", "0x0005")},
      {"OutDSRFlow", [](auto& p) { p.FlowControl().SetOutDSRFlow(true); },
       FreshStateWith("0x0001", "0x0009")},
      {"DTR enable", [](auto& p) { p.FlowControl().SetControlDTR(dtrEnable); },
       FreshStateWith("0x0001", "0x0011")},
      {"DTR handshake", [](auto& p) { p.FlowControl().SetControlDTR(dtrHandshake); },
       FreshStateWith("0x0001", "0x0021")},
      {"DSRSensitivity", [](auto& p) { p.FlowControl().SetDSRSensitivity(true); },
       FreshStateWith("0x0001", "0x0041")},
      {"TxContinueOnXoff", [](auto& p) { p.FlowControl().SetTxContinueOnXoff(true); },
       FreshStateWith("0x0001", "0x0081")},
      {"XonXoffOut", [](auto& p) { p.FlowControl().SetXonXoffOut(true); },
       FreshStateWith("0x0001", "0x0101")},
      {"XonXoffIn", [](auto& p) { p.FlowControl().SetXonXoffIn(true); },
       FreshStateWith("0x0001", "0x0201")},
      {"RTS enable", [](auto& p) { p.FlowControl().SetControlRTS(rtsEnable); },
       FreshStateWith("0x0001", "0x1001")},
      {"RTS handshake", [](auto& p) { p.FlowControl().SetControlRTS(rtsHandshake); },
       FreshStateWith("0x0001", "0x2001")},
      {"RTS toggle", [](auto& p) { p.FlowControl().SetControlRTS(rtsToggle); },
       FreshStateWith("0x0001", "0x3001")},
      {"XonChar", [](auto& p) { p.FlowControl().SetXonChar('\xF1'); },
       FreshStateWith("xon=0x11", "xon=0xf1")},
      {"XoffChar", [](auto& p) { p.FlowControl().SetXoffChar(0); },
       FreshStateWith("xoff=0x13", "xoff=0x00")},
      {"ReadInterval", [](auto& p) { p.Timeouts().SetReadInterval(0); },
       "SetTimeouts 0 0 0 100 1000"},
      {"ReadTotalMultiplier", [](auto& p) { p.Timeouts().SetReadTotalMultiplier(2); },
       "SetTimeouts 4294967295 2 0 100 1000"},
      {"ReadTotalConstant", [](auto& p) { p.Timeouts().SetReadTotalConstant(400); },
       "SetTimeouts 4294967295 0 400 100 1000"},
      {"WriteTotalMultiplier", [](auto& p) { p.Timeouts().SetWriteTotalMultiplier(-1); },
       "SetTimeouts 4294967295 0 0 4294967295 1000"},
      {"WriteTotalConstant", [](auto& p) { p.Timeouts().SetWriteTotalConstant(7); },
       "SetTimeouts 4294967295 0 0 100 7"},
      {"InputSize", [](auto& p) { p.Buffer().SetInputSize(4096); }, "SetQueueSizes 4096 1024"},
      {"OutputSize", [](auto& p) { p.Buffer().SetOutputSize(4096); }, "SetQueueSizes 1024 4096"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto fresh = OpenedFreshPort();
    c.set(*fresh);
    EXPECT_EQ(driver.Calls(), Strings{c.sent});
    c.set(*fresh);
    EXPECT_EQ(driver.Calls(), Strings{c.sent});
  }
}

TEST_F(ComPortTest, ChangesOnAClosedPortAreStoredAndSentAtTheNextOpen) {
  port.SetBaudRate(brCustom);
  port.SetCustomBaudRate(31250);
  port.Parity().SetBits(prEven);
  port.Parity().SetCheck(true);
  port.Parity().SetReplace(true);
  port.Parity().SetReplaceChar('?');
  port.Buffer().SetInputSize(2048);
  EXPECT_EQ(driver.Calls(), Strings{});

  port.Open();
  const Strings calls = driver.Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[1], "SetQueueSizes 2048 1024");
  EXPECT_EQ(
      calls[2],
      "SetState baud=31250 flags=0x0403 xonlim=512 xofflim=512 bytesize=8 parity=2 stopbits=0 "
      "xon=0x11 xoff=0x13 error=0x3f eof=0x00 evt=0x00 length=28");

  // Replacing bad bytes means nothing unless the driver checks parity.
  port.Parity().SetCheck(false);
  EXPECT_EQ(
      driver.Calls().back(),
      "SetState baud=31250 flags=0x0001 xonlim=512 xofflim=512 bytesize=8 parity=2 stopbits=0 "
      "xon=0x11 xoff=0x13 error=0x00 eof=0x00 evt=0x00 length=28");
}

// The comparison is with the stored value before evening: 1025 against 1024 differs,
// so the group is re-sent although the size stays 1024, and again at every repeat.
TEST_F(ComPortTest, QueueSizesAreMadeEvenAndGiveAQuarterAsXonXoffLimits) {
  const struct {
    std::int32_t requested, stored;
    std::uint16_t limit;
  } cases[] = {{1025, 1024, 256}, {1, 0, 0}, {-3, -3, 0}, {1026, 1026, 256}, {-8, -8, 65534}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.requested);
    const auto fresh = OpenedFreshPort();
    fresh->Buffer().SetInputSize(c.requested);
    fresh->Buffer().SetOutputSize(c.requested);
    EXPECT_EQ(fresh->Buffer().InputSize(), c.stored);
    EXPECT_EQ(fresh->Buffer().OutputSize(), c.stored);
    EXPECT_EQ(driver.Calls().size(), 2u);
    fresh->ApplyDCB();
    EXPECT_EQ(driver.States().back().XonLim, c.limit);
    EXPECT_EQ(driver.States().back().XoffLim, c.limit);
  }
  const auto fresh = OpenedFreshPort();
  fresh->Buffer().SetInputSize(1025);
  fresh->Buffer().SetInputSize(1025);
  EXPECT_EQ(driver.Calls(), (Strings{"SetQueueSizes 1024 1024", "SetQueueSizes 1024 1024"}));
}

// From switches that match no preset, each preset sets only RTS, CTS and XON/XOFF and
// always re-sends the line group; DTR, DSR and the characters stay.
TEST_F(ComPortTest, FlowControlPresetsSetTheirSwitchesAndAlwaysResend) {
  const struct {
    TFlowControl preset;
    std::uint32_t flags;
  } cases[] = {{fcHardware, 0x20ED}, {fcSoftware, 0x03E9}, {fcNone, 0x00E9}, {fcCustom, 0x32E9}};
  OpenQuietly();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.preset);
    TComFlowControl& flow = port.FlowControl();
    flow.SetControlDTR(dtrHandshake);
    flow.SetOutDSRFlow(true);
    flow.SetDSRSensitivity(true);
    flow.SetTxContinueOnXoff(true);
    flow.SetControlRTS(rtsToggle);
    flow.SetXonXoffIn(true);
    flow.SetOutCTSFlow(false);
    flow.SetXonXoffOut(false);
    const std::size_t sent = driver.States().size();
    flow.SetFlowControl(c.preset);
    ASSERT_EQ(driver.States().size(), sent + 1);
    EXPECT_EQ(driver.States().back().Flags, c.flags);
    EXPECT_EQ(flow.FlowControl(), c.preset);
  }
}

TEST(ComFlowControl, PresetIsReadFromRtsCtsAndXonXoffOnly) {
  const struct {
    TRTSFlowControl rts;
    bool cts, xonIn, xonOut;
    TDTRFlowControl dtr;
    TFlowControl preset;
  } cases[] = {
      {rtsHandshake, true, false, false, dtrHandshake, fcHardware},
      {rtsHandshake, true, false, false, dtrDisable, fcHardware},
      {rtsDisable, false, true, true, dtrEnable, fcSoftware},
      {rtsDisable, false, false, false, dtrHandshake, fcNone},
      {rtsEnable, false, false, false, dtrDisable, fcCustom},
      {rtsHandshake, false, false, false, dtrDisable, fcCustom},
      {rtsDisable, true, false, false, dtrDisable, fcCustom},
      {rtsDisable, false, true, false, dtrDisable, fcCustom},
      {rtsHandshake, true, true, true, dtrDisable, fcCustom},
  };
  for (const auto& c : cases) {
    TComFlowControl flow;
    flow.SetControlRTS(c.rts);
    flow.SetOutCTSFlow(c.cts);
    flow.SetXonXoffIn(c.xonIn);
    flow.SetXonXoffOut(c.xonOut);
    flow.SetControlDTR(c.dtr);
    EXPECT_EQ(flow.FlowControl(), c.preset) << c.rts << c.cts << c.xonIn << c.xonOut << c.dtr;
  }
}

TEST_F(ComPortTest, WholeObjectSettersCopyEveryFieldAndResendOnceEvenWhenEqual) {
  OpenQuietly();
  TComTimeouts timeouts;
  timeouts.SetReadInterval(1);
  timeouts.SetReadTotalMultiplier(2);
  timeouts.SetReadTotalConstant(3);
  timeouts.SetWriteTotalMultiplier(4);
  timeouts.SetWriteTotalConstant(5);
  TComBuffer buffer;
  buffer.SetInputSize(64);
  buffer.SetOutputSize(32);
  TComParity parity;
  parity.SetBits(prMark);
  TComFlowControl flow;
  flow.SetFlowControl(fcSoftware);
  TComTimeouts& owned = port.Timeouts();

  port.SetTimeouts(timeouts);
  port.SetBuffer(buffer);
  port.SetParity(parity);
  port.SetFlowControl(flow);
  port.SetFlowControl(flow);
  EXPECT_EQ(driver.Calls(),
            (Strings{"SetTimeouts 1 2 3 4 5", "SetQueueSizes 64 32",
                     "SetState baud=9600 flags=0x0001 xonlim=16 xofflim=16 bytesize=8 "
                     "parity=3 stopbits=0 xon=0x11 xoff=0x13 error=0x00 eof=0x00 "
                     "evt=0x00 length=28",
                     FreshStateWith("0x0001 xonlim=256 xofflim=256 bytesize=8 parity=0",
                                    "0x0301 xonlim=16 xofflim=16 bytesize=8 parity=3"),
                     FreshStateWith("0x0001 xonlim=256 xofflim=256 bytesize=8 parity=0",
                                    "0x0301 xonlim=16 xofflim=16 bytesize=8 parity=3")}));
  EXPECT_EQ(&port.Timeouts(), &owned);
  EXPECT_EQ(owned.ComPort(), &port);
  EXPECT_EQ(timeouts.ComPort(), nullptr);
}

TEST_F(ComPortTest, AssignCopiesWithoutApplyingAndRefusesAnotherClass) {
  OpenQuietly();
  TComTimeouts source;
  source.SetReadTotalConstant(400);
  port.Timeouts().Assign(source);
  EXPECT_EQ(port.Timeouts().ReadTotalConstant(), 400);
  EXPECT_EQ(driver.Calls(), Strings{});

  port.Parity().SetBits(prOdd);
  driver.ClearCalls();
  try {
    port.Parity().Assign(source);
    FAIL() << "assigning timeouts to parity was accepted";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TComTimeouts to a TComParity");
  }
  EXPECT_EQ(port.Parity().Bits(), prOdd);
  EXPECT_EQ(driver.Calls(), Strings{});
}

TEST_F(ComPortTest, ARefusedGroupRaisesItsCodeAndKeepsTheValueAndThePortOpen) {
  const struct {
    const char* call;
    int code;
    std::function<void(TCustomComPort&)> set;
    const char* message;
  } cases[] = {
      {"SetState", 7, [](auto& p) { p.SetCustomBaudRate(12345); },
       "SetCommState function failed (win error code: 22)"},
      {"SetTimeouts", 8, [](auto& p) { p.Timeouts().SetReadInterval(5); },
       "SetCommTimeouts failed (win error code: 22)"},
      {"SetQueueSizes", 9, [](auto& p) { p.Buffer().SetInputSize(5); },
       "SetupComm function failed (win error code: 22)"},
  };
  OpenQuietly();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    driver.Fail(c.call, EINVAL);
    try {
      c.set(port);
      FAIL() << "no error";
    } catch (const EComPort& e) {
      EXPECT_EQ(e.Code(), c.code);
      EXPECT_EQ(e.WinErrorCode(), EINVAL);
      EXPECT_STREQ(e.what(), c.message);
    }
    driver.Heal(c.call);
    EXPECT_TRUE(port.Connected());
  }
  EXPECT_EQ(port.CustomBaudRate(), 12345);
  EXPECT_EQ(port.Timeouts().ReadInterval(), 5);
  EXPECT_EQ(port.Buffer().InputSize(), 4);
}

TEST_F(ComPortTest, SyncMethodIsRefusedOnlyWhileOpenAndOnlyWhenItChanges) {
  port.SetSyncMethod(smNone);
  EXPECT_EQ(port.SyncMethod(), smNone);
  OpenQuietly();
  port.SetSyncMethod(smNone);
  try {
    port.SetSyncMethod(smWindowSync);
    FAIL() << "changed while open";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.Code(), 14);
    EXPECT_EQ(e.WinErrorCode(), -1);
    EXPECT_STREQ(e.what(), "Cannot set SyncMethod while connected");
  }
  EXPECT_EQ(port.SyncMethod(), smNone);
  EXPECT_EQ(driver.Calls(), Strings{});
}

TEST(ComEvents, MaskBitsFollowTheDriverTableNotTheOrdinals) {
  const std::pair<TComEvent, std::uint32_t> bits[] = {
      {evRxChar, 0x0001}, {evTxEmpty, 0x0004}, {evRxFlag, 0x0002}, {evRing, 0x0100},
      {evBreak, 0x0040},  {evCTS, 0x0008},     {evDSR, 0x0010},    {evError, 0x0080},
      {evRLSD, 0x0020},   {evRx80Full, 0x0400}};
  for (const auto& [event, bit] : bits) {
    EXPECT_EQ(EventsToMask({event}), bit) << event;
    EXPECT_EQ(MaskToEvents(bit), TComEvents{event}) << event;
  }
  EXPECT_EQ(EventsToMask(TComEvents::All()), 0x05FFu);
  EXPECT_EQ(EventsToMask({}), 0u);
  EXPECT_EQ(MaskToEvents(0xFFFFFFFF), TComEvents::All());
  EXPECT_TRUE(MaskToEvents(0x0200).Empty());
  EXPECT_EQ(TComEvents::All().Bits(), 0x03FF);
  EXPECT_EQ(TComEvents::FromBits(0xFFFF).Bits(), 0x03FF);
  EXPECT_EQ(TComPort().Events(), TComEvents::All());
}
