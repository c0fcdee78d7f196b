#pragma once

#include <cerrno>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "serial/driver/device.h"

// A request to stop during a card command of belvanto-cli: Ctrl+C (SIGINT) or SIGTERM;
// on Windows Ctrl+C, Ctrl+Break or closing the console. The handler only raises a flag
// and sets a wake event; a watcher thread then cancels the pending transfers of the
// open device, and every transfer or open asked for afterwards is refused (ECANCELED).
// The card link thus ends its operation on its usual failure path: the port is closed
// and the progress released. After the first request the default handling is back, so
// a second one ends the program at once.
namespace cli {

// What a card command ends with once interrupted, whatever failure the cancelling caused.
class Interrupted : public std::runtime_error {
 public:
  Interrupted() : std::runtime_error("Opération interrompue") {}
};

// Devices opened through it (a factory for TComPort::SetDeviceFactory) can be
// interrupted. One instance at a time in a process; it handles the requests to stop for
// its lifetime and then gives back the handling that was in place.
class Interruption : public driver::DeviceFactory {
 public:
  // Opens the devices through `devices`, which must outlive it.
  explicit Interruption(driver::DeviceFactory& devices);
  ~Interruption() override;
  Interruption(const Interruption&) = delete;
  Interruption& operator=(const Interruption&) = delete;

  // A request to stop came since construction.
  static bool Requested();
  // Raises Interrupted when one came: before work that must not follow it.
  static void ThrowIfRequested();

  int Open(const std::string& portName, std::shared_ptr<driver::Device>& device) override;

  // Runs `start` (a driver call that starts a transfer) unless interrupted, under the
  // lock that the watcher's cancelling takes: a transfer is either refused or
  // already pending when it is cancelled.
  template <typename Start>
  int StartUnlessRequested(Start&& start) {
    std::lock_guard lock(mutex_);
    return Requested() ? ECANCELED : start();
  }

 private:
  void Watch();

  driver::DeviceFactory& devices_;
  std::mutex mutex_;
  std::weak_ptr<driver::Device> opened_;  // the last device opened, to be cancelled
  std::thread watcher_;
};

}  // namespace cli
