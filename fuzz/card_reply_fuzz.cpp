#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>

#include "card/card_link.h"
#include "fuzz/fuzz_check.h"
#include "serial/comport.h"
#include "serial/driver/device.h"
#include "ui/toolkit.h"

namespace {

// The fuzzer's bytes, taken as replies: every read takes one length byte, then that
// many bytes (FF: as many as asked for), never more than asked for or than are left.
class Replies {
 public:
  Replies(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::size_t Take(void* buffer, std::size_t count) {
    if (count == 0) return 0;
    const std::uint8_t length = Byte();
    std::size_t n = length == 0xFF ? count : std::min<std::size_t>(length, count);
    n = std::min(n, size_ - at_);
    std::memcpy(buffer, data_ + at_, n);
    at_ += n;
    return n;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

class DoneTransfer : public driver::Transfer {
 public:
  explicit DoneTransfer(std::size_t moved) : moved_(moved) {}
  int Wait(std::size_t& moved) override {
    moved = moved_;
    return 0;
  }

 private:
  std::size_t moved_;
};

// A reader whose every reply comes from the fuzzer; what the link writes is kept.
class ScriptedDevice : public driver::Device {
 public:
  ScriptedDevice(Replies& replies, std::string& written) : replies_(replies), written_(written) {}

  int SetQueueSizes(std::uint32_t, std::uint32_t) override { return 0; }
  int SetState(const driver::DCB&) override { return 0; }
  int SetTimeouts(const driver::COMMTIMEOUTS&) override { return 0; }
  int StartRead(void* buffer, std::size_t count, std::unique_ptr<driver::Transfer>& transfer,
                std::size_t& immediate) override {
    immediate = 0;
    transfer = std::make_unique<DoneTransfer>(replies_.Take(buffer, count));
    return 0;
  }
  int StartWrite(const void* buffer, std::size_t count, std::unique_ptr<driver::Transfer>& transfer,
                 std::size_t& immediate) override {
    immediate = 0;
    written_.append(static_cast<const char*>(buffer), count);
    transfer = std::make_unique<DoneTransfer>(count);
    return 0;
  }
  int Purge(std::uint32_t) override { return 0; }
  int ClearErrors(std::uint32_t& errors, std::uint32_t& inQueue) override {
    errors = 0;
    inQueue = 0;
    return 0;
  }
  int ModemStatus(std::uint32_t& status) override {
    status = 0;
    return 0;
  }
  int Escape(std::uint32_t) override { return 0; }
  int SetEventMask(std::uint32_t) override {
    maskChanged_.Set();
    return 0;
  }
  // No line event ever happens: a wait ends only when stopped, closed or re-masked.
  int WaitEvent(std::uint32_t& occurred, const driver::WakeEvent& stop) override {
    occurred = 0;
    const driver::WakeEvent* events[] = {&stop, &maskChanged_, &closed_};
    driver::WaitForAny(events, std::nullopt);
    if (stop.IsSet() || closed_.IsSet()) return ECANCELED;
    maskChanged_.Reset();
    return 0;
  }
  void Close() override { closed_.Set(); }

 private:
  Replies& replies_;
  std::string& written_;
  driver::WakeEvent maskChanged_;
  driver::WakeEvent closed_;
};

class ScriptedReader : public driver::DeviceFactory {
 public:
  ScriptedReader(Replies& replies, std::string& written) : replies_(replies), written_(written) {}
  int Open(const std::string&, std::shared_ptr<driver::Device>& device) override {
    device = std::make_shared<ScriptedDevice>(replies_, written_);
    return 0;
  }

 private:
  Replies& replies_;
  std::string& written_;
};

class SilentProgress : public ui::ProgressView {
 public:
  void PaintNow() override {}
  void SetMax(int) override {}
  void SetPosition(int) override {}
  void Release() override {}
};

class SilentToolkit : public ui::Toolkit {
 public:
  std::unique_ptr<ui::ProgressView> CreateProgress(ui::WindowHandle, const std::string&) override {
    return std::make_unique<SilentProgress>();
  }
  void ProcessMessages() override {}
};

const std::set<std::string> kMessages = {
    "", "Aucune réponse, vérifiez le port", "ATR non reconnu : carte non valide", "Erreur de lecture",
    "Erreur d'écriture"};

// Bytes a write of `size` bytes in pages of `page` puts on the line when it succeeds.
std::size_t WriteTraffic(int size, int page) {
  const int pages = (size + page - 1) / page;
  return static_cast<std::size_t>(5 * pages + size);
}

}  // namespace

// Whatever the reader answers, the link ends with one of its messages, reads either the
// whole card or whole blocks, keeps the port open only after a refused reset, and a
// write reported done has sent every page.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const int kCapacities[] = {2048, 4096, 8192};
  Replies replies(data, size);
  const std::uint8_t choice = replies.Byte();
  std::string written;
  ScriptedReader reader(replies, written);
  SilentToolkit toolkit;
  TComPort port;
  port.SetDeviceFactory(&reader);
  TCardLink link(port, toolkit, nullptr);
  std::string atr;
  link.OnATR = [&atr](const std::string& text) { atr = text; };

  TBuffer buffer;
  std::string message;
  try {
    if (choice % 2 == 0) {
      buffer.SetCapacity(kCapacities[choice / 2 % 3]);
      link.ReadCard("Lecture", buffer);
    } else {
      link.PageSize = choice / 2 % 2 == 0 ? 8 : 16;
      buffer.SetData(std::string(static_cast<std::size_t>(replies.Byte() % 64 + 1), '\x5A'));
      link.WriteCard("Écriture", buffer);
    }
  } catch (const std::runtime_error& e) {
    message = e.what();
  }
  FuzzCheck(kMessages.count(message) == 1, "one of the link's messages");
  const bool refused = message == "Aucune réponse, vérifiez le port" || message == "ATR non reconnu : carte non valide";
  FuzzCheck(port.Connected() == refused, "open only after a refused reset");
  FuzzCheck(refused || atr == "3F 67 2F 00 11 14 00 03 68 90 00", "only the accepted card is used");
  if (choice % 2 == 0 && !refused)
    FuzzCheck(message.empty() ? buffer.Size() == buffer.Capacity() : buffer.Size() % 256 == 0,
              "whole card or whole blocks");
  if (choice % 2 == 1 && message.empty())
    FuzzCheck(written.size() == WriteTraffic(buffer.Size(), link.PageSize), "every page sent");
  return 0;
}
