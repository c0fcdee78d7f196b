#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "serial/driver/device.h"

namespace recording {

// A serial driver for tests. It opens any port name and logs every call with its
// arguments, in order, in one list that tests may add their own entries to (from
// handlers, say), so that a test can assert an exact sequence. It fails the calls it
// is told to, serves scripted input, and reports what was written.
//
// Log entries: "Open COM1", "SetQueueSizes 1024 1024", "SetState <Describe(dcb)>",
// "SetTimeouts <Describe(timeouts)>", "StartRead 11", "StartWrite 5", "Wait",
// "Purge 0x3", "ClearErrors", "ModemStatus", "Escape 3", "SetEventMask 0x5ff",
// "WaitEvent", "Close".
class RecordingDriver : public driver::DeviceFactory {
 public:
  RecordingDriver();
  ~RecordingDriver() override;

  int Open(const std::string& portName, std::shared_ptr<driver::Device>& device) override;

  // Every later call of that name (the first word of its log entry) fails with `error`.
  void Fail(const std::string& call, int error);
  void Heal(const std::string& call);

  void Feed(const std::string& bytes);      // received bytes, waiting to be read
  void LimitWrites(std::size_t count);      // a write moves at most `count` bytes
  void RaiseErrors(std::uint32_t ceFlags);  // reported, then cleared, by ClearErrors
  void SetModemStatus(std::uint32_t msFlags);
  void QueueEvents(std::uint32_t evFlags);  // reported by the next WaitEvent

  void Note(const std::string& entry);
  std::vector<std::string> Calls() const;
  void ClearCalls();
  std::vector<driver::DCB> States() const;  // every DCB handed over, in order
  std::string Written() const;
  std::size_t Waiting() const;  // received bytes not read yet
  int OpenDevices() const;      // opened and not closed yet

  struct State;

 private:
  std::shared_ptr<State> state_;
};

// "baud=9600 flags=0x0001 xonlim=256 xofflim=256 bytesize=8 parity=1 stopbits=2
// xon=0x11 xoff=0x13 error=0x00 eof=0x00 evt=0x00 length=28"; reserved fields are
// shown only when not zero.
std::string Describe(const driver::DCB& dcb);
// The five fields in record order, as unsigned numbers: "4294967295 0 0 100 1000".
std::string Describe(const driver::COMMTIMEOUTS& timeouts);

}  // namespace recording
