#include "recording_driver.h"


#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "serial/driver/event.h"

namespace recording {

namespace {

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*x", digits, value);
  return text;
}

unsigned Byte(char c) { return static_cast<unsigned char>(c); }

}  // namespace

std::string Describe(const driver::DCB& dcb) {
  std::string text =
      "baud=" + std::to_string(dcb.BaudRate) + " flags=" + Hex(dcb.Flags, 4) +
      " xonlim=" + std::to_string(dcb.XonLim) + " xofflim=" + std::to_string(dcb.XoffLim) +
      " bytesize=" + std::to_string(dcb.ByteSize) + " parity=" + std::to_string(dcb.Parity) +
      " stopbits=" + std::to_string(dcb.StopBits) + " xon=" + Hex(Byte(dcb.XonChar), 2) +
      " xoff=" + Hex(Byte(dcb.XoffChar), 2) + " error=" + Hex(Byte(dcb.ErrorChar), 2) +
      " eof=" + Hex(Byte(dcb.EofChar), 2) + " evt=" + Hex(Byte(dcb.EvtChar), 2) +
      " length=" + std::to_string(dcb.DCBlength);
  if (dcb.wReserved != 0 || dcb.wReserved1 != 0)
    text += " reserved=" + std::to_string(dcb.wReserved) + "/" + std::to_string(dcb.wReserved1);
  return text;
}

std::string Describe(const driver::COMMTIMEOUTS& t) {
  return std::to_string(t.ReadIntervalTimeout) + " " +
         std::to_string(t.ReadTotalTimeoutMultiplier) + " " +
         std::to_string(t.ReadTotalTimeoutConstant) + " " +
         std::to_string(t.WriteTotalTimeoutMultiplier) + " " +
         std::to_string(t.WriteTotalTimeoutConstant);
}

struct RecordingDriver::State {
  mutable std::mutex mutex;
  std::vector<std::string> calls;
  std::map<std::string, int> failures;
  std::vector<driver::DCB> states;
  std::string input;
  std::string written;
  std::optional<std::size_t> writeLimit;
  std::uint32_t errors = 0;
  std::uint32_t modemStatus = 0;
  std::deque<std::uint32_t> events;
  int openDevices = 0;
  driver::WakeEvent wake;  // set when something a pending WaitEvent waits for happens

  // Logs the call and answers the failure set for it. The caller holds the mutex.
  int Record(const std::string& name, const std::string& arguments = "") {
    calls.push_back(arguments.empty() ? name : name + " " + arguments);
    const auto failure = failures.find(name);
    return failure == failures.end() ? 0 : failure->second;
  }
};

namespace {

using State = RecordingDriver::State;

class RecordedTransfer : public driver::Transfer {
 public:
  RecordedTransfer(std::shared_ptr<State> state, std::size_t moved)
      : state_(std::move(state)), moved_(moved) {}

  int Wait(std::size_t& moved) override {
    std::lock_guard lock(state_->mutex);
    const int error = state_->Record("Wait");
    moved = error == 0 ? moved_ : 0;
    return error;
  }

 private:
  std::shared_ptr<State> state_;
  std::size_t moved_;
};

class RecordingDevice : public driver::Device {
 public:
  explicit RecordingDevice(std::shared_ptr<State> state) : state_(std::move(state)) {}

  int SetQueueSizes(std::uint32_t input, std::uint32_t output) override {
    return Call("SetQueueSizes", std::to_string(input) + " " + std::to_string(output), [] {});
  }

  int SetState(const driver::DCB& dcb) override {
    return Call("SetState", Describe(dcb), [&] { state_->states.push_back(dcb); });
  }

  int SetTimeouts(const driver::COMMTIMEOUTS& timeouts) override {
    return Call("SetTimeouts", Describe(timeouts), [] {});
  }

  // Reads take what has been fed, up to `count`, and complete when waited for.
  int StartRead(void* buffer, std::size_t count, std::unique_ptr<driver::Transfer>& transfer,
                std::size_t& immediate) override {
    immediate = 0;
    return Call("StartRead", std::to_string(count), [&] {
      const std::size_t moved = std::min(count, state_->input.size());
      std::memcpy(buffer, state_->input.data(), moved);
      state_->input.erase(0, moved);
      transfer = std::make_unique<RecordedTransfer>(state_, moved);
    });
  }

  int StartWrite(const void* buffer, std::size_t count, std::unique_ptr<driver::Transfer>& transfer,
                 std::size_t& immediate) override {
    immediate = 0;
    return Call("StartWrite", std::to_string(count), [&] {
      const std::size_t moved = std::min(count, state_->writeLimit.value_or(count));
      state_->written.append(static_cast<const char*>(buffer), moved);
      transfer = std::make_unique<RecordedTransfer>(state_, moved);
    });
  }

  int Purge(std::uint32_t flags) override {
    return Call("Purge", Hex(flags, 1), [&] {
      if ((flags & driver::PURGE_RXCLEAR) != 0) state_->input.clear();
    });
  }

  int ClearErrors(std::uint32_t& errors, std::uint32_t& inQueue) override {
    return Call("ClearErrors", "", [&] {
      errors = std::exchange(state_->errors, 0);
      inQueue = static_cast<std::uint32_t>(state_->input.size());
    });
  }

  int ModemStatus(std::uint32_t& status) override {
    return Call("ModemStatus", "", [&] { status = state_->modemStatus; });
  }

  int Escape(std::uint32_t function) override {
    return Call("Escape", std::to_string(function), [] {});
  }

  int SetEventMask(std::uint32_t mask) override {
    return Call("SetEventMask", Hex(mask, 1), [&] {
      maskChanged_ = waiting_;
      state_->wake.Set();
    });
  }

  int WaitEvent(std::uint32_t& occurred, const driver::WakeEvent& stop) override {
    occurred = 0;
    if (const int error = Call("WaitEvent", "", [&] { waiting_ = true; }); error != 0) return error;
    for (;;) {
      {
        std::lock_guard lock(state_->mutex);
        if (const int end = EndOfWait(occurred); end >= 0) return end;
        state_->wake.Reset();
      }
      const driver::WakeEvent* events[] = {&stop, &state_->wake};
      driver::WaitForAny(events, std::nullopt);
      if (stop.IsSet()) {
        std::lock_guard lock(state_->mutex);
        waiting_ = false;
        return driver::kCancelled;
      }
    }
  }

  void Close() override {
    std::lock_guard lock(state_->mutex);
    state_->Record("Close");
    if (closed_) return;
    closed_ = true;
    --state_->openDevices;
    state_->wake.Set();
  }

 private:
  // Logs the call; a closed device refuses with kClosed, a failing one with its error;
  // otherwise `act` runs, under the lock.
  template <typename Act>
  int Call(const std::string& name, const std::string& arguments, Act&& act) {
    std::lock_guard lock(state_->mutex);
    int error = state_->Record(name, arguments);
    if (closed_) error = driver::kClosed;
    if (error == 0) act();
    return error;
  }

  // What ends a pending WaitEvent now, or -1 to keep waiting. Holds the mutex.
  int EndOfWait(std::uint32_t& occurred) {
    int end = -1;
    if (closed_) {
      end = driver::kCancelled;
    } else if (!state_->events.empty()) {
      occurred = state_->events.front();
      state_->events.pop_front();
      end = 0;
    } else if (maskChanged_) {
      end = 0;
    }
    if (end >= 0) waiting_ = maskChanged_ = false;
    return end;
  }

  std::shared_ptr<State> state_;
  bool closed_ = false;
  bool waiting_ = false;
  bool maskChanged_ = false;
};

}  // namespace

RecordingDriver::RecordingDriver() : state_(std::make_shared<State>()) {}

RecordingDriver::~RecordingDriver() = default;

int RecordingDriver::Open(const std::string& portName, std::shared_ptr<driver::Device>& device) {
  std::lock_guard lock(state_->mutex);
  if (const int error = state_->Record("Open", portName); error != 0) return error;
  ++state_->openDevices;
  device = std::make_shared<RecordingDevice>(state_);
  return 0;
}

void RecordingDriver::Fail(const std::string& call, int error) {
  std::lock_guard lock(state_->mutex);
  state_->failures[call] = error;
}

void RecordingDriver::Heal(const std::string& call) {
  std::lock_guard lock(state_->mutex);
  state_->failures.erase(call);
}

void RecordingDriver::Feed(const std::string& bytes) {
  std::lock_guard lock(state_->mutex);
  state_->input += bytes;
}

void RecordingDriver::LimitWrites(std::size_t count) {
  std::lock_guard lock(state_->mutex);
  state_->writeLimit = count;
}

void RecordingDriver::RaiseErrors(std::uint32_t ceFlags) {
  std::lock_guard lock(state_->mutex);
  state_->errors |= ceFlags;
}

void RecordingDriver::SetModemStatus(std::uint32_t msFlags) {
  std::lock_guard lock(state_->mutex);
  state_->modemStatus = msFlags;
}

void RecordingDriver::QueueEvents(std::uint32_t evFlags) {
  std::lock_guard lock(state_->mutex);
  state_->events.push_back(evFlags);
  state_->wake.Set();
}

void RecordingDriver::Note(const std::string& entry) {
  std::lock_guard lock(state_->mutex);
  state_->calls.push_back(entry);
}

std::vector<std::string> RecordingDriver::Calls() const {
  std::lock_guard lock(state_->mutex);
  return state_->calls;
}

void RecordingDriver::ClearCalls() {
  std::lock_guard lock(state_->mutex);
  state_->calls.clear();
}

std::vector<driver::DCB> RecordingDriver::States() const {
  std::lock_guard lock(state_->mutex);
  return state_->states;
}

std::string RecordingDriver::Written() const {
  std::lock_guard lock(state_->mutex);
  return state_->written;
}

std::size_t RecordingDriver::Waiting() const {
  std::lock_guard lock(state_->mutex);
  return state_->input.size();
}

int RecordingDriver::OpenDevices() const {
  std::lock_guard lock(state_->mutex);
  return state_->openDevices;
}

}  // namespace recording
