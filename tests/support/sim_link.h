#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "serial/driver/device.h"

// A blocking client of a driver device, used the way the serial component uses it:
// start a transfer and wait for it. Fails the running test on any driver error.
class SimLink {
 public:
  // Opens `port` of `factory` with the card programmer's line settings and time-outs.
  explicit SimLink(driver::DeviceFactory& factory, const std::string& port = "COM1");

  // 9600 baud, 8 data bits, odd parity, 2 stop bits, flags word 0x1.
  static driver::DCB CardLine();
  // Read and write: 2 ms per byte plus 400 ms.
  static driver::COMMTIMEOUTS CardTimeouts();

  void SetLine(const driver::DCB& dcb);
  std::size_t Write(const std::string& bytes);
  std::string Read(std::size_t count);
  // Writes `bytes` and reads up to `replyLength` bytes.
  std::string Exchange(const std::string& bytes, std::size_t replyLength);
  // RTS up and at once down: resets the card.
  void PulseRts();
  std::uint32_t InputCount();
  std::uint32_t TakeErrors();
  driver::Device& Device() { return *device_; }

 private:
  std::shared_ptr<driver::Device> device_;
};

// The card protocol as the programmer speaks it, in wire bytes (inverse convention).
std::string Coded(const std::string& plain);
std::string Hex(const std::string& bytes);
std::string ReadHeader(unsigned address, unsigned length);
std::string WriteHeader(unsigned address, unsigned length);

// Sends wire bytes and returns the wire bytes of the reply, of at most the given length.
using Exchange = std::function<std::string(const std::string&, std::size_t)>;

// Reads `size` bytes of card memory in 256-byte blocks as the programmer does, and
// returns the plain data; fails the test on a short or wrong reply.
std::string ReadCardRaw(const Exchange& exchange, std::size_t size);
std::string ReadCardRaw(SimLink& link, std::size_t size);
// Writes one page; returns the plain status word as hex text ("90 00").
std::string WritePageRaw(SimLink& link, unsigned address, const std::string& plain);
