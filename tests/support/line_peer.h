#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace test_support {

// How the far end sees the line that the device under test has set.
struct LineSeen {
  unsigned speed = 0;  // bit/s
  bool oddParity = false;
  bool twoStopBits = false;
  bool raw = false;  // no line editing, echo, signals, output processing or software flow
  bool rtsCts = false;
  bool operator==(const LineSeen&) const = default;
};

// The other end of a fresh pseudo-terminal line, for the backend suite that runs on
// every platform: Linux plays it in process, the Windows suite through a Linux program.
class LinePeer {
 public:
  virtual ~LinePeer() = default;
  // The path that this platform's OpenSystemDevice opens to reach the line.
  virtual std::string DevicePath() const = 0;
  virtual void Send(std::string_view bytes) = 0;
  // What arrives within the time, at most `count` bytes.
  virtual std::string Receive(std::size_t count, std::chrono::milliseconds within) = 0;
  virtual LineSeen Seen() = 0;
  // Closes the far end, as an unplugged adapter does.
  virtual void HangUp() = 0;
};

std::unique_ptr<LinePeer> MakeLinePeer();

// What this platform's backend answers where a pseudo-terminal is not a serial port.
struct PtyAnswers {
  int sameParityAgain;   // of SetCommState setting the same group with parity again
  int secondOpen;        // of a second open while the first holds the line
  int modemLine;         // of EscapeCommFunction on RTS or DTR: a pty has no modem lines
  int readHungUp;        // of a pending read when the far end goes away
  int eventWait;         // of WaitCommEvent with no event there: 0 when it waits
  bool readsAtOnce;      // whether interval MAXDWORD, totals 0 returns with nothing
};
const PtyAnswers& PtyAnswersOfThisPlatform();

}  // namespace test_support
