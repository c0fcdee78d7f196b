#pragma once

#include <linux/serial.h>

#include <atomic>

namespace driver::posix {

// A tty driver's own settings (TIOCGSERIAL, TIOCSSERIAL). Each returns 0 or the errno.
class SerialInfo {
 public:
  virtual ~SerialInfo() = default;
  virtual int Get(serial_struct& info) = 0;
  virtual int Set(const serial_struct& info) = 0;
};

// The settings of an open tty.
class TtySerialInfo : public SerialInfo {
 public:
  explicit TtySerialInfo(int fd) : fd_(fd) {}
  int Get(serial_struct& info) override;
  int Set(const serial_struct& info) override;

 private:
  const int fd_;
};

// USB serial adapters hold received bytes up to their latency timer (16 ms on common
// chips) before passing them on, and a card write turns the line round twice a block.
// The driver's low-latency flag asks it to pass them on at once.
class LowLatency {
 public:
  // Sets the flag where the driver offers it; a driver that does not, or refuses, stays
  // as it was: the port works all the same, only slower.
  void Ask(SerialInfo& driver);
  // Clears the flag again if Ask set it; a flag found set is left set. A failure (a
  // device gone) is passed over: the close goes on.
  void End(SerialInfo& driver);

 private:
  std::atomic<bool> setHere_{false};
};

}  // namespace driver::posix
