#include <functional>

#include "support/comport_fixture.h"

using Strings = std::vector<std::string>;
using namespace std::string_literals;

namespace {

struct Operation {
  const char* name;
  std::function<void(TCustomComPort&)> run;
};

void ExpectRaises(const std::function<void()>& operation, int code, int error) {
  try {
    operation();
    ADD_FAILURE() << "no error";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.Code(), code);
    EXPECT_EQ(e.WinErrorCode(), error);
  }
}

}  // namespace

TEST_F(ComPortTest, ReadStrHoldsExactlyTheBytesReceived) {
  OpenQuietly();
  std::string bytes = "stale";
  EXPECT_EQ(port.ReadStr(bytes, 0), 0);
  EXPECT_EQ(bytes, "");

  driver.Feed("\x3f\x00\x67"s);
  EXPECT_EQ(port.ReadStr(bytes, 11), 3);
  EXPECT_EQ(bytes, "\x3f\x00\x67"s);

  driver.Feed("0123456789ABCDE");
  EXPECT_EQ(port.ReadStr(bytes, 11), 11);
  EXPECT_EQ(bytes, "0123456789A");
  EXPECT_EQ(port.InputCount(), 4);

  char raw[8] = {};
  EXPECT_EQ(port.Read(raw, 8), 4);
  EXPECT_EQ(std::string(raw, 4), "BCDE");
  EXPECT_EQ(driver.Calls(), (Strings{"StartRead 0", "Wait", "ClearErrors", "StartRead 11", "Wait",
                                     "ClearErrors", "StartRead 11", "Wait", "ClearErrors",
                                     "ClearErrors", "StartRead 8", "Wait", "ClearErrors"}));
}

TEST_F(ComPortTest, WriteStrSendsEveryByteAndReturnsTheCountTheDriverMoved) {
  OpenQuietly();
  EXPECT_EQ(port.WriteStr("\x00\xA0\x06\x00\x00"s), 5);
  driver.LimitWrites(2);
  EXPECT_EQ(port.WriteStr("\x01\x02\x03"s), 2);
  EXPECT_EQ(driver.Written(), "\x00\xA0\x06\x00\x00\x01\x02"s);
  EXPECT_EQ(driver.Calls(), (Strings{"StartWrite 5", "Wait", "StartWrite 3", "Wait"}));
}

TEST_F(ComPortTest, StartedTransfersAreWaitedForThroughTheirRecord) {
  OpenQuietly();
  std::unique_ptr<TAsync> record;
  TCustomComPort::InitAsync(record);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(port.WaitForAsync(record.get()), 0);
  EXPECT_EQ(driver.Calls(), Strings{});

  driver.Feed("ATR");
  std::string bytes;
  EXPECT_EQ(port.ReadStrAsync(bytes, 11, record.get()), 0);
  EXPECT_EQ(bytes.size(), 11u);
  EXPECT_EQ(record->Kind, akRead);
  EXPECT_EQ(port.WaitForAsync(record.get()), 3);
  EXPECT_EQ(bytes.substr(0, 3), "ATR");

  EXPECT_EQ(port.WriteStrAsync("ok", record.get()), 0);
  EXPECT_EQ(record->Kind, akWrite);
  EXPECT_EQ(port.WaitForAsync(record.get()), 2);
  port.AbortAllAsync();
  TCustomComPort::DoneAsync(record);
  EXPECT_EQ(record, nullptr);
  EXPECT_EQ(driver.Calls(),
            (Strings{"StartRead 11", "Wait", "ClearErrors", "StartWrite 2", "Wait", "Purge 0x3"}));
}

// A failed wait raises the code of the record's kind; a failed read leaves the string
// at the requested length.
TEST_F(ComPortTest, FailuresOfTransfersRaiseTheCodeOfTheirKind) {
  std::string bytes;
  const struct {
    const char* call;
    int code;
    std::function<void(TCustomComPort&)> run;
  } cases[] = {
      {"Wait", 2, [](auto& p) { p.WriteStr("x"); }},
      {"Wait", 3, [&](auto& p) { p.ReadStr(bytes, 6); }},
      {"Wait", 3,
       [](auto& p) {
         char raw[4];
         p.Read(raw, 4);
       }},
      {"StartWrite", 2, [](auto& p) { p.WriteStr("x"); }},
      {"StartRead", 3, [&](auto& p) { p.ReadStr(bytes, 6); }},
      {"ClearErrors", 10, [&](auto& p) { p.ReadStr(bytes, 6); }},
  };
  OpenQuietly();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    driver.Fail(c.call, EIO);
    ExpectRaises([&] { c.run(port); }, c.code, EIO);
    driver.Heal(c.call);
  }
  EXPECT_EQ(bytes.size(), 6u);
}

// Every query and transfer raises its own code: on a closed port with kClosed, the
// invalid handle's answer, and on an open one with the driver's error.
TEST_F(ComPortTest, EveryDriverRefusalRaisesTheCodeOfItsOperation) {
  const struct {
    const char* call;
    int code;
    Operation operation;
  } cases[] = {
      {"StartWrite", 2, {"WriteStr", [](auto& p) { p.WriteStr("x"); }}},
      {"StartRead",
       3,
       {"ReadStr",
        [](auto& p) {
          std::string s;
          p.ReadStr(s, 1);
        }}},
      {"Purge", 5, {"AbortAllAsync", [](auto& p) { p.AbortAllAsync(); }}},
      {"ClearErrors", 10, {"InputCount", [](auto& p) { p.InputCount(); }}},
      {"ClearErrors", 10, {"LastErrors", [](auto& p) { p.LastErrors(); }}},
      {"ModemStatus", 11, {"Signals", [](auto& p) { p.Signals(); }}},
      {"Escape", 12, {"SetRTS", [](auto& p) { p.SetRTS(true); }}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.operation.name);
    ExpectRaises([&] { c.operation.run(port); }, c.code, driver::kClosed);
  }
  EXPECT_EQ(driver.Calls(), Strings{});
  OpenQuietly();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.operation.name);
    driver.Fail(c.call, EACCES);
    ExpectRaises([&] { c.operation.run(port); }, c.code, EACCES);
    driver.Heal(c.call);
  }
}

// No record is code 4 without a platform error; a negative count is refused before
// anything is sized or started.
TEST_F(ComPortTest, BadTransferArgumentsAreRefusedBeforeTheDriverIsCalled) {
  OpenQuietly();
  std::unique_ptr<TAsync> record;
  TCustomComPort::InitAsync(record);
  std::string bytes = "keep";
  char raw[4];
  const struct {
    int code, error;
    Operation operation;
  } cases[] = {
      {4, -1, {"WriteAsync", [&](auto& p) { p.WriteAsync(raw, 4, nullptr); }}},
      {4, -1, {"ReadAsync", [&](auto& p) { p.ReadAsync(raw, 4, nullptr); }}},
      {4, -1, {"WriteStrAsync", [&](auto& p) { p.WriteStrAsync("x", nullptr); }}},
      {4, -1, {"WaitForAsync", [&](auto& p) { p.WaitForAsync(nullptr); }}},
      {3, EINVAL, {"Read", [&](auto& p) { p.Read(raw, -1); }}},
      {3, EINVAL, {"ReadStr", [&](auto& p) { p.ReadStr(bytes, -1); }}},
      {3, EINVAL, {"ReadStrAsync", [&](auto& p) { p.ReadStrAsync(bytes, -5, record.get()); }}},
      {3, EINVAL, {"ReadAsync", [&](auto& p) { p.ReadAsync(raw, -1, record.get()); }}},
      {2, EINVAL, {"WriteAsync", [&](auto& p) { p.WriteAsync(raw, -1, record.get()); }}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.operation.name);
    ExpectRaises([&] { c.operation.run(port); }, c.code, c.error);
  }
  EXPECT_EQ(bytes, "keep");
  EXPECT_EQ(driver.Calls(), Strings{});
}

TEST_F(ComPortTest, LineErrorsAreMappedAndParityCountsOnlyWhenChecked) {
  const struct {
    std::uint32_t flags;
    bool check;
    TComErrors errors;
  } cases[] = {
      {driver::CE_FRAME, false, {ceFrame}},
      {driver::CE_OVERRUN, false, {ceOverrun}},
      {driver::CE_BREAK, false, {ceBreak}},
      {driver::CE_IOE, false, {ceIO}},
      {driver::CE_MODE, false, {ceMode}},
      {driver::CE_RXOVER, false, {ceRxOver}},
      {driver::CE_TXFULL, false, {ceTxFull}},
      {driver::CE_RXPARITY, false, {}},
      {driver::CE_RXPARITY, true, {ceRxParity}},
      {0xFFFFFFFF, true, TComErrors::All()},
      {0x7AE0, false, {}},
  };
  OpenQuietly();
  for (const auto& c : cases) {
    port.Parity().SetCheck(c.check);
    driver.RaiseErrors(c.flags);
    EXPECT_EQ(port.LastErrors().Bits(), c.errors.Bits()) << std::hex << c.flags;
    EXPECT_TRUE(port.LastErrors().Empty());
  }
}

// Every query clears the driver's flags; TakeLineErrors still learns what the others
// read, once, and nothing from an earlier connection.
TEST_F(ComPortTest, LineErrorsReadByAnyQueryReachTakeLineErrorsOnce) {
  OpenQuietly();
  port.Parity().SetCheck(true);
  driver.RaiseErrors(driver::CE_FRAME);
  port.InputCount();
  driver.RaiseErrors(driver::CE_RXPARITY);
  EXPECT_EQ(port.LastErrors().Bits(), TComErrors({ceRxParity}).Bits());
  driver.RaiseErrors(driver::CE_OVERRUN);
  EXPECT_EQ(port.TakeLineErrors().Bits(), TComErrors({ceFrame, ceRxParity, ceOverrun}).Bits());
  EXPECT_TRUE(port.TakeLineErrors().Empty());
  EXPECT_TRUE(port.LastErrors().Empty());

  driver.RaiseErrors(driver::CE_BREAK);
  port.InputCount();
  port.Close();
  port.Open();
  EXPECT_TRUE(port.TakeLineErrors().Empty());
}

TEST_F(ComPortTest, ModemLinesAreMappedAndRtsIsRaisedThenDropped) {
  const std::pair<std::uint32_t, TComSignals> cases[] = {
      {driver::MS_CTS_ON, {csCTS}},     {driver::MS_DSR_ON, {csDSR}},
      {driver::MS_RING_ON, {csRing}},   {driver::MS_RLSD_ON, {csRLSD}},
      {0xFFFFFFFF, TComSignals::All()}, {0xFF0F, {}}};
  OpenQuietly();
  for (const auto& [status, signals] : cases) {
    driver.SetModemStatus(status);
    EXPECT_EQ(port.Signals().Bits(), signals.Bits()) << std::hex << status;
  }
  driver.ClearCalls();
  port.SetRTS(true);
  port.SetRTS(false);
  EXPECT_EQ(driver.Calls(), (Strings{"Escape 3", "Escape 4"}));
}

TEST(ComPortError, MessagesCarryThePlatformNumberOnlyWhenThereIsOne) {
  const struct {
    EComPort error;
    int code, winErrorCode;
    const char* message;
  } cases[] = {
      {EComPort(1, 5), 1, 5, "Unable to open com port (win error code: 5)"},
      {EComPort(8, 22), 8, 22, "SetCommTimeouts failed (win error code: 22)"},
      {EComPort(22, 0), 22, 0, "A component is linked to OnRxBuf event (win error code: 0)"},
      {EComPort::CreatePlain(4), 4, -1, "Invalid Async parameter"},
      {EComPort::CreatePlain(14), 14, -1, "Cannot set SyncMethod while connected"},
      {EComPort::CreatePlain(6), 6, -1, "Unable to get async status"},
      {EComPort::CreatePlain(23), 23, -1, ""},
      {EComPort(0, 2), 0, 2, " (win error code: 2)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.error.Code(), c.code);
    EXPECT_EQ(c.error.WinErrorCode(), c.winErrorCode);
    EXPECT_STREQ(c.error.what(), c.message);
  }
}
