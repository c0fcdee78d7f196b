#include "sim/card.h"

#include <utility>

namespace driver::sim {

namespace {

constexpr std::uint8_t kReadInstruction = 0x21;
constexpr std::uint8_t kWriteInstruction = 0x20;
constexpr std::size_t kHeaderLength = 5;

}  // namespace

std::uint8_t InverseConvention(std::uint8_t byte) {
  std::uint8_t reversed = 0;
  for (int i = 0; i < 8; ++i) reversed = static_cast<std::uint8_t>(reversed | (((byte >> i) & 1) << (7 - i)));
  return static_cast<std::uint8_t>(~reversed);
}

Card::Card(CardMemory memory, std::string atr, CardFaults faults)
    : memory_(std::move(memory)), atr_(std::move(atr)), faults_(faults) {}

void Card::Reset() {
  received_.clear();
  commands_ = 0;
  takingData_ = false;
  silent_ = false;
}

std::optional<Answer> Card::Take(std::uint8_t byte) {
  if (silent_) return std::nullopt;
  received_ += static_cast<char>(byte);
  if (takingData_) {
    if (received_.size() < writeLength_) return std::nullopt;
    return OnWriteData();
  }
  if (received_.size() < kHeaderLength) return std::nullopt;
  const std::string header = std::exchange(received_, {});
  return OnHeader(header);
}

Answer Card::OnHeader(const std::string& header) {
  current_ = commands_++;
  const auto cls = static_cast<std::uint8_t>(header[0]);
  const auto instruction = static_cast<std::uint8_t>(header[1]);
  const std::size_t address = static_cast<std::uint8_t>(header[2]) * 256u + static_cast<std::uint8_t>(header[3]);
  const std::size_t length = static_cast<std::uint8_t>(header[4]);
  const std::string procedure(1, static_cast<char>(instruction));
  if (faults_.silentAfterHeaderAt == current_) {
    silent_ = true;
    return Answer{Time{0}, procedure, false};
  }
  if (cls != 0) return Finish({}, kStatusUnknownClass);
  if (instruction == kReadInstruction)
    return Finish(procedure + memory_.Read(address, length == 0 ? 256 : length), kStatusOk);
  if (instruction != kWriteInstruction) return Finish({}, kStatusUnknownInstruction);
  if (faults_.writeProtected) return Finish({}, kStatusWriteProtected);
  if (length == 0) return Finish(procedure, kStatusOk);
  takingData_ = true;
  writeAddress_ = address;
  writeLength_ = length;
  return Answer{Time{0}, Trimmed(procedure), false};
}

Answer Card::OnWriteData() {
  takingData_ = false;
  const std::string data = std::exchange(received_, {});
  const bool stored = memory_.WritePage(writeAddress_, data);
  return Finish({}, stored ? kStatusOk : kStatusMemoryFailure, kPageWriteTime);
}

std::string Card::Trimmed(std::string body) const {
  if (faults_.lostByteAt == current_ && !body.empty()) body.pop_back();
  return body;
}

Answer Card::Finish(std::string body, std::uint16_t status, Time delay) const {
  const std::uint16_t word = faults_.wrongStatusAt == current_ ? faults_.wrongStatus : status;
  std::string bytes = Trimmed(std::move(body));
  bytes += static_cast<char>(word >> 8);
  bytes += static_cast<char>(word & 0xFF);
  return Answer{delay, std::move(bytes), true};
}

}  // namespace driver::sim
