#include <mutex>
#include <sstream>
#include <stdexcept>

#include "serial/driver/directory.h"
#include "support/hex_text.h"
#include "support/line_peer.h"
#include "support/line_port.h"

// Under Wine the far ends are played by tests/win32/line_peer_main.cpp on the Linux
// side (scripts/wine-port-tests starts it and maps the ports). It is driven through a
// control line on a COM port of its own, with the backend under test.
namespace test_support {

namespace {

constexpr long kControlPort = 20;
constexpr long kFirstLinePort = 21;
constexpr int kLines = 16;  // scripts/wine-port-tests makes as many

// The control line: one command out, one answer back, for the whole test program.
class Control {
 public:
  static Control& Instance() {
    static Control control;
    return control;
  }

  // The answer after "OK "; anything else fails the test program.
  std::string Ask(const std::string& command) {
    std::lock_guard lock(mutex_);
    const std::string line = command + "\n";
    if (Write(*device_, line).bytes != line) throw std::runtime_error("control line: cannot send " + command);
    std::string answer;
    while (answer.empty() || answer.back() != '\n') answer += Receive();
    answer.pop_back();
    if (answer.rfind("OK", 0) != 0) throw std::runtime_error("control line: " + command + ": " + answer);
    return answer.size() > 3 ? answer.substr(3) : "";
  }

 private:
  // The peer made the control line raw; reads and writes end within 10 s.
  Control() {
    if (driver::OpenSystemDevice(driver::SystemPathOf(kControlPort), device_) != 0)
      throw std::runtime_error("the control line did not open: is the Linux peer running?");
    if (device_->SetTimeouts(Timeouts(0, 0, 10000, 0, 10000)) != 0)
      throw std::runtime_error("the control line takes no time-outs");
  }

  // A first byte, then what has come with it.
  std::string Receive() {
    TransferOutcome read = Read(*device_, 1);
    if (read.error != 0 || read.bytes.empty()) throw std::runtime_error("control line: no answer");
    std::uint32_t errors = 0, queued = 0;
    if (device_->ClearErrors(errors, queued) == 0 && queued > 0) read.bytes += Read(*device_, queued).bytes;
    return read.bytes;
  }

  std::mutex mutex_;
  std::shared_ptr<driver::Device> device_;
};

class RemotePeer final : public LinePeer {
 public:
  RemotePeer() : index_(Next()) {}
  std::string DevicePath() const override { return driver::SystemPathOf(kFirstLinePort + index_); }
  void Send(std::string_view bytes) override { Ask("SEND", HexWord(bytes)); }
  std::string Receive(std::size_t count, std::chrono::milliseconds within) override {
    return BytesOfHexWord(Ask("RECV", std::to_string(count) + " " + std::to_string(within.count())));
  }
  LineSeen Seen() override {
    std::istringstream in(Ask("SEEN", ""));
    LineSeen seen;
    in >> seen.speed >> seen.oddParity >> seen.twoStopBits >> seen.raw >> seen.rtsCts;
    return seen;
  }
  void HangUp() override { Ask("HANGUP", ""); }

 private:
  // Every test gets a line of its own: a hung-up pty cannot be mapped again.
  static int Next() {
    static std::mutex mutex;
    static int next = 0;
    std::lock_guard lock(mutex);
    if (next == kLines) throw std::runtime_error("every line of the Linux peer is used");
    return next++;
  }
  std::string Ask(const char* verb, const std::string& arguments) {
    return Control::Instance().Ask(std::string(verb) + " " + std::to_string(index_) + " " + arguments);
  }

  const int index_;
};

}  // namespace

std::unique_ptr<LinePeer> MakeLinePeer() { return std::make_unique<RemotePeer>(); }

// Wine's answers, measured (Wine 8): the same line group again fails as the kernel
// dropped parity and nothing changes (ERROR_INVALID_PARAMETER); a port is not held
// exclusively; no modem lines (ERROR_NOT_SUPPORTED); a pending read ends without error
// when the far end goes away, and the next transfer fails (ERROR_BROKEN_PIPE);
// an event wait cannot read the modem lines and ends at once (ERROR_OPERATION_ABORTED);
// a read with interval MAXDWORD and totals 0 waits for a first byte.
const PtyAnswers& PtyAnswersOfThisPlatform() {
  static const PtyAnswers answers{87, 0, 50, 0, 995, false};
  return answers;
}

}  // namespace test_support
