#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "serial/driver/directory.h"
#include "serial/driver/posix/low_latency.h"
#include "support/pseudo_terminal.h"
#include "support/program_run.h"

using namespace driver;
using namespace std::chrono_literals;
using namespace test_support;

namespace {

int OpenDescriptors() {
  int count = 0;
  DIR* dir = ::opendir("/proc/self/fd");
  while (::readdir(dir)) ++count;
  ::closedir(dir);
  return count;
}

class PosixDevice : public test_support::PtyPortTest {};

struct RecordingSerialInfo : driver::posix::SerialInfo {
  RecordingSerialInfo(int f, int get, int set) : flags(f), getError(get), setError(set) {}
  int Get(serial_struct& info) override {
    info.flags = flags;
    return getError;
  }
  int Set(const serial_struct& info) override {
    asked.push_back(info.flags);
    if (setError == 0) flags = info.flags;
    return setError;
  }
  int flags, getError, setError;
  std::vector<int> asked;
};

}  // namespace

// The line group as a Linux tool shows it (the far end's view is the backend suite's).
TEST_F(PosixDevice, CardProgrammerLineAsSttyShowsIt) {
  Open(Timeouts(0, 2, 400, 2, 400));
  const std::string stty = RunProgram("/bin/stty", {"-F", pty_.Path(), "-a"}).out;
  EXPECT_NE(stty.find("speed 9600 baud"), std::string::npos) << stty;
  std::set<std::string> words;
  std::istringstream in(stty);
  for (std::string word; in >> word;) words.insert(word);
  for (const char* word : {"parodd", "cstopb", "-icanon", "-echo", "-opost", "-ixon", "-crtscts", "clocal"}) {
    EXPECT_TRUE(words.count(word)) << word << " missing in:\n" << stty;
  }
}

TEST_F(PosixDevice, SpeedWithoutStandardCodeIsSetThroughBotherAndBack) {
  Open(Timeouts(0, 0, 0));
  DCB dcb = CardProgrammerDcb();
  dcb.BaudRate = 31250;
  ASSERT_EQ(device_->SetState(dcb), 0);
  EXPECT_EQ(test_support::OutputSpeedOf(pty_.Peer()), 31250u);
  EXPECT_TRUE(pty_.PeerAttributes().c_cflag & PARODD);  // the rest of the group came too

  dcb.BaudRate = 57600;
  ASSERT_EQ(device_->SetState(dcb), 0);
  const termios seen = pty_.PeerAttributes();
  EXPECT_EQ(cfgetospeed(&seen), B57600);
  EXPECT_EQ(test_support::OutputSpeedOf(pty_.Peer()), 57600u);
}

TEST_F(PosixDevice, RefusedLineGroupLeavesTheLineAsItWas) {
  Open(Timeouts(0, 0, 0));
  DCB refused = CardProgrammerDcb();
  refused.BaudRate = 19200;
  refused.Flags |= FlagNull;
  EXPECT_EQ(device_->SetState(refused), EINVAL);
  const termios seen = pty_.PeerAttributes();
  EXPECT_EQ(cfgetospeed(&seen), B9600);
  EXPECT_TRUE(seen.c_cflag & PARODD);
}

TEST_F(PosixDevice, RefusedSecondOpenLeavesNoDescriptor) {
  std::shared_ptr<Device> first, second;
  ASSERT_EQ(OpenSystemDevice(pty_.Path(), first), 0);
  const int before = OpenDescriptors();
  EXPECT_NE(OpenSystemDevice(pty_.Path(), second), 0);
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(PosixDevice, OpenFailuresKeepTheirErrorNumberAndLeaveNoDescriptor) {
  const std::string file = ::testing::TempDir() + "belvanto_not_a_tty";
  std::ofstream(file) << "x";
  const int before = OpenDescriptors();
  const struct {
    std::string path;
    int error;
  } cases[] = {{"/dev/belvanto-no-such-tty", ENOENT}, {file, ENOTTY}};
  for (const auto& c : cases) {
    std::shared_ptr<Device> device;
    EXPECT_EQ(OpenSystemDevice(c.path, device), c.error) << c.path;
    EXPECT_FALSE(device);
    EXPECT_FALSE(IsBusyError(c.error));
  }
  EXPECT_EQ(OpenDescriptors(), before);
  std::remove(file.c_str());
}

TEST_F(PosixDevice, BusyErrorNumbers) {
  EXPECT_TRUE(IsBusyError(EBUSY));
  EXPECT_TRUE(IsBusyError(EWOULDBLOCK));
  for (const int other : {0, ENOENT, ENODEV, ENXIO, EACCES, EPERM, EIO}) EXPECT_FALSE(IsBusyError(other));
}

TEST_F(PosixDevice, ModemLinesOfAPseudoTerminalReadAsOff) {
  Open(Timeouts(0, 0, 0));
  // Reading them answers "all off": opening a port sweeps the lines.
  std::uint32_t status = 0xFF;
  EXPECT_EQ(device_->ModemStatus(status), 0);
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(device_->Escape(7), EINVAL);  // no such escape function
  // Yet a line group that drives DTR and RTS is taken.
  DCB raised = CardProgrammerDcb();
  raised.Flags |= (DTR_CONTROL_ENABLE << 4) | (RTS_CONTROL_ENABLE << 12);
  EXPECT_EQ(device_->SetState(raised), 0);
  EXPECT_EQ(device_->SetState(raised), 0);  // the same group again: the pty kept only part of it
}

TEST_F(PosixDevice, InputCountAndPurge) {
  Open(Timeouts(0, 0, 0));
  pty_.Send("hello");
  EXPECT_EQ(InputCountOnceSettled(*device_, 5), 5u);
  std::uint32_t errors = 1, queued = 0;
  EXPECT_EQ(device_->ClearErrors(errors, queued), 0);
  EXPECT_EQ(errors, 0u);  // a pty keeps no error counters

  EXPECT_EQ(device_->Purge(PURGE_TXABORT | PURGE_RXABORT), 0);
  EXPECT_EQ(InputCountOnceSettled(*device_, 5), 5u);  // aborting moves no bytes
  EXPECT_EQ(device_->Purge(PURGE_RXCLEAR | PURGE_TXCLEAR), 0);
  EXPECT_EQ(device_->ClearErrors(errors, queued), 0);
  EXPECT_EQ(queued, 0u);
  EXPECT_EQ(device_->Purge(0x10), EINVAL);
}

TEST_F(PosixDevice, EveryCallAfterCloseFailsWithBadDescriptor) {
  Open(Timeouts(0, 0, 0));
  device_->Close();
  device_->Close();  // twice is harmless
  std::uint32_t a = 0, b = 0;
  char buffer[4];
  std::unique_ptr<Transfer> transfer;
  std::size_t immediate = 0;
  WakeEvent stop;
  EXPECT_EQ(device_->SetQueueSizes(1024, 1024), EBADF);
  EXPECT_EQ(device_->SetState(CardProgrammerDcb()), EBADF);
  EXPECT_EQ(device_->SetTimeouts(Timeouts(0, 0, 0)), EBADF);
  EXPECT_EQ(device_->StartRead(buffer, 4, transfer, immediate), EBADF);
  EXPECT_EQ(device_->StartWrite(buffer, 4, transfer, immediate), EBADF);
  EXPECT_FALSE(transfer);
  EXPECT_EQ(device_->Purge(PURGE_RXCLEAR), EBADF);
  EXPECT_EQ(device_->ClearErrors(a, b), EBADF);
  EXPECT_EQ(device_->ModemStatus(a), EBADF);
  EXPECT_EQ(device_->Escape(SETRTS), EBADF);
  EXPECT_EQ(device_->SetEventMask(EV_RXCHAR), EBADF);
  EXPECT_EQ(device_->WaitEvent(a, stop), EBADF);
}

// A write ends when its bytes have left the kernel's queue, so a purge after it loses
// none of them.
TEST_F(PosixDevice, WriteDeliversExactBytesAndTimesOutWhenTheLineIsStuck) {
  Open(Timeouts(0, 0, 0, 0, 200));
  const std::string command("\xa0\xb0\x00\x00\x10\xff", 6);
  const TransferOutcome written = Write(*device_, command);
  EXPECT_EQ(written.error, 0);
  EXPECT_EQ(written.bytes, command);
  EXPECT_EQ(pty_.Receive(6, 1s), command);

  // Nobody reads the peer: the pty fills up and the write ends at its time-out, short.
  const std::string flood(1 << 20, 'z');
  const TransferOutcome stuck = Write(*device_, flood);
  EXPECT_EQ(stuck.error, 0);
  EXPECT_LT(stuck.bytes.size(), flood.size());
  EXPECT_GT(stuck.bytes.size(), 0u);
  EXPECT_GE(stuck.took, 190ms);
  device_->Purge(PURGE_TXCLEAR | PURGE_RXCLEAR);  // as the event thread does at a close
  device_->Close();
  EXPECT_EQ(pty_.Receive(flood.size(), 2s).size(), stuck.bytes.size());
}

TEST(PosixLowLatency, SetAtOpenAndClearedAtCloseOnlyWhereTheOpenSetIt) {
  const std::tuple<int, int, int, std::vector<int>> cases[] = {
      {ASYNC_SPD_HI, 0, 0, {ASYNC_SPD_HI | ASYNC_LOW_LATENCY, ASYNC_SPD_HI}},  // other flags kept
      {ASYNC_LOW_LATENCY, 0, 0, {}},       // already set: stays set
      {0, ENOTTY, 0, {}},                  // not offered: a pty, which opens as these tests show
      {0, 0, EPERM, {ASYNC_LOW_LATENCY}},  // refused: nothing to take back
  };
  for (const auto& [flags, getError, setError, asked] : cases) {
    RecordingSerialInfo driver(flags, getError, setError);
    driver::posix::LowLatency latency;
    latency.Ask(driver);
    latency.End(driver);
    EXPECT_EQ(driver.asked, asked) << flags << " " << getError << " " << setError;
  }
}
