#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <thread>

#include "serial/comport.h"
#include "serial/driver/directory.h"
#include "support/pseudo_terminal.h"

using namespace std::chrono_literals;
using test_support::PseudoTerminal;

namespace {

// A component on a pseudo-terminal named COM5, with the card programmer's line
// settings, through a port directory of its own.
class PosixComPort : public ::testing::Test {
 protected:
  PosixComPort() {
    directory_.MapPort("COM5", pty_.Path());
    directory_.MapPort("COM6", "/dev/belvanto-no-such-tty");
    Configure(port_);
  }

  void Configure(TComPort& port) {
    port.SetDeviceFactory(&directory_);
    port.SetPort("COM5");
    port.Parity().SetBits(prOdd);
    port.SetStopBits(sbTwoStopBits);
  }

  // All read time-outs 0: a read waits until every byte has come.
  void WaitWithoutLimit() {
    port_.Timeouts().SetReadInterval(0);
    port_.Timeouts().SetReadTotalMultiplier(0);
    port_.Timeouts().SetReadTotalConstant(0);
  }

  // The EComPort that `operation` raises.
  template <typename Operation>
  static EComPort Raised(Operation operation) {
    try {
      operation();
    } catch (const EComPort& error) {
      return error;
    }
    ADD_FAILURE() << "no EComPort raised";
    return EComPort::CreatePlain(0);
  }

  // A read of 11 bytes started here and waited for on another thread while `meanwhile`
  // runs here: the error that the wait raised.
  template <typename Meanwhile>
  EComPort WaitRaisedWhile(Meanwhile meanwhile) {
    std::string bytes;
    std::unique_ptr<TAsync> record;
    TCustomComPort::InitAsync(record);
    port_.ReadStrAsync(bytes, 11, record.get());
    EComPort raised = EComPort::CreatePlain(0);
    std::thread waiter([&] { raised = Raised([&] { port_.WaitForAsync(record.get()); }); });
    std::this_thread::sleep_for(100ms);
    meanwhile();
    waiter.join();
    TCustomComPort::DoneAsync(record);
    return raised;
  }

  PseudoTerminal pty_;
  driver::PortDirectory directory_;
  TComPort port_;
};

}  // namespace

TEST_F(PosixComPort, CardProgrammerSettingsReachThePseudoTerminal) {
  port_.Open();
  const termios seen = pty_.PeerAttributes();
  EXPECT_EQ(cfgetospeed(&seen), B9600);
  EXPECT_EQ(seen.c_cflag & (PARODD | CSTOPB | CRTSCTS), PARODD | CSTOPB);
  // Re-sending the line group to a pty that kept only part of it is no refusal.
  port_.SetBaudRate(br19200);
  port_.SetBaudRate(br9600);
  port_.FlowControl().SetFlowControl(fcNone);
  const termios again = pty_.PeerAttributes();
  EXPECT_EQ(cfgetospeed(&again), B9600);
}

TEST_F(PosixComPort, SecondComponentOnTheSamePortIsBusy) {
  port_.Open();
  TComPort second;
  Configure(second);
  const EComPort error = Raised([&] { second.Open(); });
  EXPECT_EQ(error.Code(), 1);
  EXPECT_TRUE(driver::IsBusyError(error.WinErrorCode())) << error.what();
  EXPECT_FALSE(second.Connected());

  port_.Close();
  second.Open();  // given free by the close
  EXPECT_TRUE(second.Connected());
}

TEST_F(PosixComPort, MissingDeviceRaisesCode1WithNoSuchFile) {
  port_.SetPort("COM6");
  const EComPort error = Raised([&] { port_.Open(); });
  EXPECT_EQ(error.Code(), 1);
  EXPECT_EQ(error.WinErrorCode(), ENOENT);
  EXPECT_STREQ(error.what(), "Unable to open com port (win error code: 2)");
  EXPECT_FALSE(driver::IsBusyError(error.WinErrorCode()));
  EXPECT_FALSE(port_.Connected());
}

TEST_F(PosixComPort, RtsOnAPseudoTerminalRaisesCode12AndThePortGoesOn) {
  port_.Open();
  const EComPort error = Raised([&] { port_.SetRTS(true); });
  EXPECT_EQ(error.Code(), 12);
  EXPECT_EQ(error.WinErrorCode(), ENOTTY);
  EXPECT_STREQ(error.what(), "EscapeCommFunction function failed (win error code: 25)");
  EXPECT_EQ(port_.WriteStr("ok"), 2);
  EXPECT_EQ(pty_.Receive(2, 1s), "ok");
}

TEST_F(PosixComPort, CloseOnAnotherThreadEndsAPendingWaitWithCode3) {
  WaitWithoutLimit();
  port_.Open();
  const EComPort error = WaitRaisedWhile([&] { port_.Close(); });
  EXPECT_EQ(error.Code(), 3);
  EXPECT_EQ(error.WinErrorCode(), ECANCELED);
  EXPECT_FALSE(port_.Connected());
}

TEST_F(PosixComPort, PeerHangingUpEndsAPendingWaitWithCode3) {
  WaitWithoutLimit();
  port_.Open();
  const EComPort error = WaitRaisedWhile([&] { pty_.HangUp(); });
  EXPECT_EQ(error.Code(), 3);
  EXPECT_EQ(error.WinErrorCode(), EIO);
}
