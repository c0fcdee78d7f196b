// The component's event thread over the Linux backend, on a pseudo-terminal.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <string>
#include <vector>

#include "serial/comport.h"
#include "serial/driver/directory.h"
#include "support/event_watching.h"
#include "support/pseudo_terminal.h"

using namespace std::chrono_literals;
using test_support::PseudoTerminal;
using test_support::ServeWhileWaiting;

namespace {

// Every port name opens the one pseudo-terminal.
class PtyFactory : public driver::DeviceFactory {
 public:
  explicit PtyFactory(std::string path) : path_(std::move(path)) {}
  int Open(const std::string&, std::shared_ptr<driver::Device>& device) override {
    return driver::OpenSystemDevice(path_, device);
  }

 private:
  std::string path_;
};

std::chrono::microseconds ProcessCpuTime() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto total = [](const timeval& t) {
    return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
  };
  return total(usage.ru_utime) + total(usage.ru_stime);
}

}  // namespace

// Bytes left unread are announced once, not again and again, and the thread sleeps
// meanwhile; new bytes are announced with the whole count waiting. A write is followed
// by the emptied transmitter.
TEST(PtyEvents, ArrivalsAreAnnouncedOnceEachAndAWriteEndsWithTheTransmitterEmpty) {
  PseudoTerminal pty;
  PtyFactory factory(pty.Path());
  TComPort port;
  port.SetDeviceFactory(&factory);
  std::vector<std::int32_t> announced;
  int emptied = 0;
  port.OnRxChar = [&](TCustomComPort&, std::int32_t count) { announced.push_back(count); };
  port.OnTxEmpty = [&](TCustomComPort&) { ++emptied; };
  // A pseudo-terminal has no modem lines: the sweep at the end of opening fails, and
  // the port stays open with its event thread running.
  EXPECT_THROW(port.Open(), EComPort);
  ASSERT_TRUE(port.Connected());

  pty.Send("abc");
  ASSERT_TRUE(ServeWhileWaiting([&] { return !announced.empty(); }));
  const auto cpu = ProcessCpuTime();
  const handover::Completion never;
  handover::ServeUntil(never, 200ms);
  EXPECT_LT(ProcessCpuTime() - cpu, 100ms);
  EXPECT_EQ(announced, std::vector<std::int32_t>{3});

  pty.Send("de");
  ASSERT_TRUE(ServeWhileWaiting([&] { return announced.size() == 2; }));
  EXPECT_EQ(announced.back(), 5);

  EXPECT_EQ(port.WriteStr("xyz"), 3);
  EXPECT_TRUE(ServeWhileWaiting([&] { return emptied > 0; }));
  EXPECT_EQ(pty.Receive(3, 1s), "xyz");
  port.Close();
}
