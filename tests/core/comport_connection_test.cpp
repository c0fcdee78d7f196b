#include <functional>

#include "common/exception_handler.h"
#include "support/comport_fixture.h"

using Strings = std::vector<std::string>;

namespace {

// Collects what reaches the application-wide exception handler while it lives.
class ReportedErrors {
 public:
  ReportedErrors() {
    appexceptions::SetHandler([this](std::exception_ptr error) { errors_.push_back(error); });
  }
  ~ReportedErrors() { appexceptions::SetHandler({}); }

  std::size_t Count() const { return errors_.size(); }
  // The one reported error, as EComPort.
  EComPort Only() const {
    EXPECT_EQ(errors_.size(), 1u);
    try {
      std::rethrow_exception(errors_.at(0));
    } catch (const EComPort& e) {
      return e;
    }
  }

 private:
  std::vector<std::exception_ptr> errors_;
};

EComPort Raised(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const EComPort& e) {
    return e;
  }
  ADD_FAILURE() << "no EComPort raised";
  return EComPort::CreatePlain(0);
}

}  // namespace

TEST_F(ComPortTest, OpenAndCloseFrameTheConnectionInOrder) {
  LogConnectionHandlers();
  driver.SetModemStatus(driver::MS_CTS_ON | driver::MS_RLSD_ON | driver::MS_RING_ON);
  port.Open();
  port.Close();
  EXPECT_EQ(driver.Calls(),
            (Strings{"OnBeforeOpen closed", "Open COM1", "SetQueueSizes 1024 1024", kFreshState,
                     kFreshTimeouts, "OnAfterOpen connected", "ModemStatus", "OnCTSChange 1",
                     "ModemStatus", "OnDSRChange 0", "ModemStatus", "OnRLSDChange 1",
                     "OnCTSChange 0", "OnDSRChange 0", "OnRLSDChange 0", "OnBeforeClose connected",
                     "Purge 0x3", "Close", "OnAfterClose closed"}));
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.Handle(), nullptr);
  EXPECT_EQ(driver.OpenDevices(), 0);
}

TEST_F(ComPortTest, OpeningAnOpenPortAndClosingAClosedOneDoNothing) {
  LogConnectionHandlers();
  port.Close();
  port.SetConnected(false);
  EXPECT_EQ(driver.Calls(), Strings{});
  OpenQuietly();
  port.Open();
  port.SetConnected(true);
  EXPECT_EQ(driver.Calls(), Strings{});
  port.SetConnected(false);
  EXPECT_FALSE(port.Connected());
}

// Each failure point of opening leaves the port closed with no device held, reaches
// the caller unchanged, and the port opens normally once the driver agrees.
TEST_F(ComPortTest, EveryOpenFailureLeavesThePortClosedWithNoDeviceHeld) {
  const Strings opening = {"OnBeforeOpen closed", "Open COM1", "SetQueueSizes 1024 1024",
                           kFreshState, kFreshTimeouts};
  const struct {
    const char* call;
    int error;
    int code;
    std::size_t reached;  // entries of `opening` made, the failing call included
  } cases[] = {{"Open", EBUSY, 1, 2},
               {"Open", ENOENT, 1, 2},
               {"SetQueueSizes", EINVAL, 9, 3},
               {"SetState", EINVAL, 7, 4},
               {"SetTimeouts", EIO, 8, 5}};
  LogConnectionHandlers();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    driver.ClearCalls();
    driver.Fail(c.call, c.error);
    const EComPort e = Raised([&] { port.SetConnected(true); });
    EXPECT_EQ(e.Code(), c.code);
    EXPECT_EQ(e.WinErrorCode(), c.error);
    Strings expected(opening.begin(), opening.begin() + c.reached);
    if (c.code != 1) expected.push_back("Close");
    EXPECT_EQ(driver.Calls(), expected);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Handle(), nullptr);
    EXPECT_EQ(driver.OpenDevices(), 0);
    driver.Heal(c.call);
  }
  port.Open();
  EXPECT_TRUE(port.Connected());
  EXPECT_EQ(driver.OpenDevices(), 1);
}

TEST_F(ComPortTest, FailuresInTheFramingStepsLeaveThePortWhereTheyStruck) {
  const auto thrower = [](TCustomComPort&) { throw std::runtime_error("handler"); };
  // Before opening: nothing is opened.
  port.OnBeforeOpen = thrower;
  EXPECT_THROW(port.Open(), std::runtime_error);
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(driver.Calls(), Strings{});
  // After opening, in the handler or in the line query: the port stays open.
  port.OnBeforeOpen = nullptr;
  port.OnAfterOpen = thrower;
  EXPECT_THROW(port.Open(), std::runtime_error);
  EXPECT_TRUE(port.Connected());
  port.OnAfterOpen = nullptr;
  port.Close();
  driver.Fail("ModemStatus", EIO);
  EXPECT_EQ(Raised([&] { port.Open(); }).Code(), 11);
  EXPECT_TRUE(port.Connected());
  // Before releasing anything at close: the port stays open with its device.
  port.OnBeforeClose = thrower;
  driver.ClearCalls();
  EXPECT_THROW(port.Close(), std::runtime_error);
  port.OnBeforeClose = nullptr;
  // A refused abort (a device that has gone) still closes the port, then raises code 5:
  // otherwise the port could never be closed or reopened again.
  driver.ClearCalls();
  driver.Fail("Purge", EIO);
  EXPECT_EQ(Raised([&] { port.Close(); }).Code(), 5);
  EXPECT_EQ(driver.Calls(), (Strings{"Purge 0x3", "Close"}));
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.Handle(), nullptr);
  EXPECT_EQ(driver.OpenDevices(), 0);
  driver.Heal("Purge");
}

TEST(PortName, NormalizedToComOneToNinetySixElseComOne) {
  const std::pair<const char*, const char*> cases[] = {{"com3", "COM3"},
                                                       {"7", "COM7"},
                                                       {"COM0", "COM1"},
                                                       {"COM97", "COM1"},
                                                       {"LPT1", "COM1"},
                                                       {"", "COM1"},
                                                       {"COM", "COM1"},
                                                       {"COM96", "COM96"},
                                                       {"cOm12", "COM12"},
                                                       {"COM 5", "COM5"},
                                                       {"COM5 ", "COM1"},
                                                       {"COM+4", "COM4"},
                                                       {"COM-4", "COM1"},
                                                       {"COM$1F", "COM31"},
                                                       {"COMx0a", "COM10"},
                                                       {"0X60", "COM96"},
                                                       {"$61", "COM1"},
                                                       {"COM0x", "COM1"},
                                                       {"COM99999999999999999999", "COM1"},
                                                       {"COM1.5", "COM1"}};
  for (const auto& [name, normalized] : cases)
    EXPECT_EQ(NormalizePortName(name), normalized) << name;
}

TEST_F(ComPortTest, ChangingThePortNameReopensAnOpenPortOnTheNewName) {
  port.SetPort("com2");
  EXPECT_EQ(port.Port(), "COM2");
  OpenQuietly();
  LogConnectionHandlers();
  port.SetPort("2");
  EXPECT_EQ(driver.Calls(), Strings{});

  port.SetPort("COM3");
  const Strings calls = driver.Calls();
  const Strings closing(calls.begin(), calls.begin() + 8);
  EXPECT_EQ(closing,
            (Strings{"OnCTSChange 0", "OnDSRChange 0", "OnRLSDChange 0", "OnBeforeClose connected",
                     "Purge 0x3", "Close", "OnAfterClose closed", "OnBeforeOpen closed"}));
  EXPECT_EQ(calls.at(8), "Open COM3");
  EXPECT_EQ(calls.back(), "OnRLSDChange 0");
  EXPECT_EQ(port.Port(), "COM3");
  EXPECT_TRUE(port.Connected());
  EXPECT_EQ(driver.OpenDevices(), 1);
  // A close refused with the device held keeps the name, so that a retry reopens.
  port.OnBeforeClose = [](TCustomComPort&) { throw std::runtime_error("refused"); };
  EXPECT_THROW(port.SetPort("COM4"), std::runtime_error);
  EXPECT_EQ(port.Port(), "COM3");
  port.OnBeforeClose = nullptr;
  driver.ClearCalls();
  port.SetPort("COM4");
  EXPECT_EQ(driver.Calls().at(7), "Open COM4");
}

TEST_F(ComPortTest, WhileLoadingSettingsAreOnlyStoredAndLoadedOpensThePort) {
  port.BeginLoading();
  port.SetConnected(true);
  port.SetBaudRate(br19200);
  port.SetPort("COM4");
  port.SetSyncMethod(smNone);
  EXPECT_TRUE(port.Connected());
  EXPECT_EQ(driver.Calls(), Strings{});

  port.Loaded();
  EXPECT_FALSE(port.Loading());
  EXPECT_TRUE(port.Connected());
  const Strings calls = driver.Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0], "Open COM4");
  EXPECT_EQ(calls[2], FreshStateWith("baud=9600", "baud=19200"));
  port.BeginLoading();
  port.SetConnected(false);  // on the open port: closed by Loaded
  port.Loaded();
  EXPECT_EQ(driver.OpenDevices(), 0);
}

// Kept open: no second open, the changed groups sent once, all let go at destruction.
TEST_F(ComPortTest, LoadedOnAnOpenPortKeepsItsDeviceAndSendsTheChangedGroupsOnce) {
  {
    TComPort open;
    open.SetDeviceFactory(&driver);
    open.Open();
    open.OnBeforeOpen = [this](TCustomComPort&) { driver.Note("OnBeforeOpen"); };
    driver.ClearCalls();
    open.BeginLoading();
    open.SetConnected(true);
    open.SetBaudRate(br19200);
    open.SetBaudRate(br38400);
    open.Timeouts().SetReadTotalConstant(400);
    open.Loaded();
    Strings calls = driver.Calls();
    std::erase(calls, "WaitEvent");
    EXPECT_EQ(calls, (Strings{FreshStateWith("baud=9600", "baud=38400"),
                              "SetTimeouts 4294967295 0 400 100 1000"}));
  }
  EXPECT_EQ(driver.OpenDevices(), 0);
}

TEST_F(ComPortTest, LoadedReportsAnOpenFailureInsteadOfRaisingIt) {
  const ReportedErrors reported;
  port.BeginLoading();
  port.Loaded();
  EXPECT_EQ(driver.Calls(), Strings{});

  port.BeginLoading();
  port.SetConnected(true);
  driver.Fail("SetState", EINVAL);
  EXPECT_NO_THROW(port.Loaded());
  const EComPort e = reported.Only();
  EXPECT_EQ(e.Code(), 7);
  EXPECT_EQ(e.WinErrorCode(), EINVAL);
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(driver.OpenDevices(), 0);
}

TEST_F(ComPortTest, DestroyingTheComponentClosesItsDeviceEvenWhenClosingFails) {
  const ReportedErrors reported;
  { const auto fresh = OpenedFreshPort(); }
  EXPECT_EQ(driver.Calls(), (Strings{"Purge 0x3", "Close"}));
  EXPECT_EQ(reported.Count(), 0u);

  driver.Fail("Purge", EIO);
  { const auto fresh = OpenedFreshPort(); }
  EXPECT_EQ(driver.Calls(), (Strings{"Purge 0x3", "Close"}));
  EXPECT_EQ(driver.OpenDevices(), 0);
  EXPECT_EQ(reported.Only().Code(), 5);
}
