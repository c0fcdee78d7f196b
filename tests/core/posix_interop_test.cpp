#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/pseudo_terminal.h"
#include "support/program_run.h"

using namespace driver;
using namespace std::chrono_literals;
using namespace test_support;

extern char** environ;

namespace {

// A program run beside the test, ended by its id when the test is over.
class ChildProcess {
 public:
  explicit ChildProcess(std::vector<std::string> arguments) : name_(arguments.front()) {
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
  }
  ~ChildProcess() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ExitStatus(5s);
  }
  bool Started() const { return pid_ > 0; }
  // The exit status once the program has ended; one still running after `within` is
  // killed and the test fails.
  int ExitStatus(std::chrono::milliseconds within) {
    const int status = AwaitChild(pid_, name_, std::chrono::steady_clock::now() + within);
    pid_ = -1;
    return status;
  }

 private:
  std::string name_;
  pid_t pid_ = -1;
};

bool AppearsWithin(const std::filesystem::path& path, std::chrono::milliseconds within) {
  const auto deadline = std::chrono::steady_clock::now() + within;
  while (!std::filesystem::exists(path)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

// pyserial on the far end, at the card programmer's line settings: it says "R" once its
// end is open (opening discards what came before), then answers each of the 256 byte
// values it receives with the value inverted.
constexpr const char* kInvertingPeer = R"(
import sys, serial
port = serial.Serial(sys.argv[1], 9600, bytesize=8, parity=serial.PARITY_ODD,
                     stopbits=serial.STOPBITS_TWO, timeout=5)
port.write(b"R")
data = port.read(256)
port.write(bytes(b ^ 0xFF for b in data))
port.flush()
sys.exit(0 if len(data) == 256 else 1)
)";

}  // namespace

TEST(PosixInterop, BytesCrossALinkedPairToPyserialAndBack) {
  const std::filesystem::path dir = ::testing::TempDir() + "belvanto_interop_" + std::to_string(::getpid());
  std::filesystem::create_directories(dir);
  const std::string ours = (dir / "ours").string(), theirs = (dir / "theirs").string();
  ChildProcess socat({"/usr/bin/socat", "pty,raw,echo=0,link=" + ours, "pty,raw,echo=0,link=" + theirs});
  ASSERT_TRUE(socat.Started());
  ASSERT_TRUE(AppearsWithin(ours, 5s) && AppearsWithin(theirs, 5s));

  ChildProcess peer({"/usr/bin/python3", "-c", kInvertingPeer, theirs});
  ASSERT_TRUE(peer.Started());
  const auto device = OpenConfigured(ours, Timeouts(0, 2, 3000, 2, 400));
  ASSERT_TRUE(device);

  std::string sent(256, '\0'), expected(256, '\0');
  for (int i = 0; i < 256; ++i) {
    sent[i] = static_cast<char>(i);
    expected[i] = static_cast<char>(255 - i);
  }
  ASSERT_EQ(Read(*device, 1).bytes, "R");
  const TransferOutcome written = Write(*device, sent);
  EXPECT_EQ(written.error, 0);
  EXPECT_EQ(written.bytes, sent);
  const TransferOutcome received = Read(*device, 256);
  EXPECT_EQ(received.error, 0);
  EXPECT_EQ(received.bytes, expected);
  EXPECT_EQ(peer.ExitStatus(5s), 0);
  std::filesystem::remove_all(dir);
}
