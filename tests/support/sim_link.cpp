#include "sim_link.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "sim/card.h"
#include "support/card_line.h"

using driver::sim::InverseConvention;

SimLink::SimLink(driver::DeviceFactory& factory, const std::string& port) {
  EXPECT_EQ(factory.Open(port, device_), 0);
  EXPECT_EQ(device_->SetQueueSizes(1024, 1024), 0);
  SetLine(CardLine());
  EXPECT_EQ(device_->SetTimeouts(CardTimeouts()), 0);
}

driver::DCB SimLink::CardLine() { return test_support::CardProgrammerDcb(); }

driver::COMMTIMEOUTS SimLink::CardTimeouts() { return {0, 2, 400, 2, 400}; }

void SimLink::SetLine(const driver::DCB& dcb) { EXPECT_EQ(device_->SetState(dcb), 0); }

std::size_t SimLink::Write(const std::string& bytes) {
  std::unique_ptr<driver::Transfer> transfer;
  std::size_t moved = 0;
  EXPECT_EQ(device_->StartWrite(bytes.data(), bytes.size(), transfer, moved), 0);
  if (transfer) {
    EXPECT_EQ(transfer->Wait(moved), 0);
  }
  return moved;
}

std::string SimLink::Read(std::size_t count) {
  std::string bytes(count, '\0');
  std::unique_ptr<driver::Transfer> transfer;
  std::size_t moved = 0;
  EXPECT_EQ(device_->StartRead(bytes.data(), count, transfer, moved), 0);
  if (transfer) {
    EXPECT_EQ(transfer->Wait(moved), 0);
  }
  bytes.resize(moved);
  return bytes;
}

std::string SimLink::Exchange(const std::string& bytes, std::size_t replyLength) {
  Write(bytes);
  return Read(replyLength);
}

void SimLink::PulseRts() {
  EXPECT_EQ(device_->Escape(driver::SETRTS), 0);
  EXPECT_EQ(device_->Escape(driver::CLRRTS), 0);
}

std::uint32_t SimLink::InputCount() {
  std::uint32_t errors = 0;
  std::uint32_t count = 0;
  EXPECT_EQ(device_->ClearErrors(errors, count), 0);
  return count;
}

std::uint32_t SimLink::TakeErrors() {
  std::uint32_t errors = 0;
  std::uint32_t count = 0;
  EXPECT_EQ(device_->ClearErrors(errors, count), 0);
  return errors;
}

std::string Coded(const std::string& plain) {
  std::string wire;
  for (const char c : plain) wire += static_cast<char>(InverseConvention(static_cast<std::uint8_t>(c)));
  return wire;
}

std::string Hex(const std::string& bytes) {
  std::string text;
  for (const char c : bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%s%02X", text.empty() ? "" : " ", static_cast<std::uint8_t>(c));
    text += hex;
  }
  return text;
}

namespace {

std::string Header(unsigned instruction, unsigned address, unsigned length) {
  const char plain[] = {0, static_cast<char>(instruction), static_cast<char>(address >> 8),
                        static_cast<char>(address & 0xFF), static_cast<char>(length & 0xFF)};
  return Coded(std::string(plain, sizeof plain));
}

}  // namespace

std::string ReadHeader(unsigned address, unsigned length) { return Header(0x21, address, length); }

std::string WriteHeader(unsigned address, unsigned length) { return Header(0x20, address, length); }

std::string ReadCardRaw(SimLink& link, std::size_t size) {
  return ReadCardRaw([&link](const std::string& bytes, std::size_t replyLength) {
    return link.Exchange(bytes, replyLength);
  }, size);
}

std::string ReadCardRaw(const Exchange& exchange, std::size_t size) {
  std::string data;
  for (std::size_t address = 0; address < size; address += 256) {
    const std::size_t length = std::min<std::size_t>(256, size - address);
    const std::string reply = Coded(exchange(
        ReadHeader(static_cast<unsigned>(address), static_cast<unsigned>(length)), length + 8));
    EXPECT_EQ(reply.size(), length + 8) << "block at " << address;
    if (reply.size() != length + 8) return data;
    EXPECT_EQ(Hex(reply.substr(length + 6)), "90 00") << "block at " << address;
    data += reply.substr(6, length);
  }
  return data;
}

std::string WritePageRaw(SimLink& link, unsigned address, const std::string& plain) {
  link.Exchange(WriteHeader(address, static_cast<unsigned>(plain.size())), 6);
  const std::string reply = Coded(link.Exchange(Coded(plain), plain.size() + 2));
  return Hex(reply.substr(reply.size() < 2 ? 0 : reply.size() - 2));
}
