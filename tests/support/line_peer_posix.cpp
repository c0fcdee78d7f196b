#include <cerrno>

#include "support/line_peer.h"
#include "support/pseudo_terminal.h"

namespace test_support {

namespace {

// The peer side of a pty of this process.
class PtyPeer final : public LinePeer {
 public:
  std::string DevicePath() const override { return pty_.Path(); }
  void Send(std::string_view bytes) override { pty_.Send(bytes); }
  std::string Receive(std::size_t count, std::chrono::milliseconds within) override {
    return pty_.Receive(count, within);
  }
  LineSeen Seen() override { return pty_.Seen(); }
  void HangUp() override { pty_.HangUp(); }

 private:
  PseudoTerminal pty_;
};

}  // namespace

std::unique_ptr<LinePeer> MakeLinePeer() { return std::make_unique<PtyPeer>(); }

// The kernel drops parity on a pty, which the backend takes; flock tells the holder; a
// pty has no modem-control ioctls; its device side reads as end of file once the peer
// is gone; events and time-outs are the backend's own.
const PtyAnswers& PtyAnswersOfThisPlatform() {
  static const PtyAnswers answers{0, EWOULDBLOCK, ENOTTY, EIO, 0, true};
  return answers;
}

}  // namespace test_support
