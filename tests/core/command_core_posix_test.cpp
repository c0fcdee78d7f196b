// A device path given as the port reaches the component through its reserved name.
#include <gtest/gtest.h>

#include "serial/driver/directory.h"
#include "support/command_fixture.h"
#include "support/pseudo_terminal.h"

TEST_F(CoreTest, ADevicePathAsThePortOpensThatDevice) {
  const test_support::PseudoTerminal pty;
  core.CardLink().PortName = [&pty] { return pty.Path(); };
  Run(&CommandCore::Read);
  EXPECT_EQ(port.Port(), "COM96");
  EXPECT_EQ(driver::PortDirectory::Instance().PathOf("COM96"), pty.Path());
  EXPECT_EQ(Errors().size(), 1u);  // a terminal has no RTS
  port.SetConnected(false);
}
