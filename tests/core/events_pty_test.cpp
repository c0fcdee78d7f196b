// The component's event thread over the Linux backend, on a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "serial/comport.h"
#include "serial/driver/directory.h"
#include "support/event_watching.h"
#include "support/pseudo_terminal.h"

using namespace std::chrono_literals;
using test_support::ProcessCpuTime;
using test_support::PseudoTerminal;
using test_support::ServeWhileWaiting;

// Bytes left unread are announced once, not again and again, and the thread sleeps
// meanwhile; new bytes are announced with the whole count waiting. A write is followed
// by the emptied transmitter.
TEST(PtyEvents, ArrivalsAreAnnouncedOnceEachAndAWriteEndsWithTheTransmitterEmpty) {
  PseudoTerminal pty;
  driver::PortDirectory directory;
  directory.MapPort("COM5", pty.Path());
  TComPort port;
  port.SetDeviceFactory(&directory);
  port.SetPort("COM5");
  std::vector<std::int32_t> announced;
  int emptied = 0;
  port.OnRxChar = [&](TCustomComPort&, std::int32_t count) { announced.push_back(count); };
  port.OnTxEmpty = [&](TCustomComPort&) { ++emptied; };
  port.Open();

  pty.Send("abc");
  ASSERT_TRUE(ServeWhileWaiting([&] { return !announced.empty(); }));
  const auto cpu = ProcessCpuTime();
  const auto start = std::chrono::steady_clock::now();
  const handover::Completion never;
  handover::ServeUntil(never, 200ms);
  EXPECT_LT(ProcessCpuTime() - cpu, (std::chrono::steady_clock::now() - start) / 2);
  EXPECT_EQ(announced, std::vector<std::int32_t>{3});

  pty.Send("de");
  ASSERT_TRUE(ServeWhileWaiting([&] { return announced.size() == 2; }));
  EXPECT_EQ(announced.back(), 5);

  EXPECT_EQ(port.WriteStr("xyz"), 3);
  EXPECT_TRUE(ServeWhileWaiting([&] { return emptied > 0; }));
  EXPECT_EQ(pty.Receive(3, 1s), "xyz");
  port.Close();
}
