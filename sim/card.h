#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sim/card_memory.h"
#include "sim/clock.h"

namespace driver::sim {

// The card's plain byte for a byte on the wire and back: the inverse convention sends
// the bits complemented and most significant first.
std::uint8_t InverseConvention(std::uint8_t byte);

// The answer to reset of the card the programmer accepts, in plain bytes.
inline constexpr char kGoodAtr[] = "\x3F\x67\x2F\x00\x11\x14\x00\x03\x68\x90\x00";
inline const std::string& GoodAtr() {
  static const std::string atr(kGoodAtr, sizeof kGoodAtr - 1);
  return atr;
}

// Status words.
inline constexpr std::uint16_t kStatusOk = 0x9000;
inline constexpr std::uint16_t kStatusMemoryFailure = 0x6581;
inline constexpr std::uint16_t kStatusWriteProtected = 0x6982;
inline constexpr std::uint16_t kStatusUnknownInstruction = 0x6D00;
inline constexpr std::uint16_t kStatusUnknownClass = 0x6E00;

// How long the EEPROM takes to program one page.
inline constexpr Time kPageWriteTime = std::chrono::milliseconds(5);

// Misbehaviour of the card itself. Commands are counted from 0 after each reset.
struct CardFaults {
  std::optional<unsigned> wrongStatusAt;  // this command ends in `wrongStatus`
  std::uint16_t wrongStatus = kStatusMemoryFailure;
  // This command's answer lacks the byte before its status word (a read's last data
  // byte, a write's procedure byte).
  std::optional<unsigned> lostByteAt;
  bool writeProtected = false;  // writes answer 69 82
  // This command's header gets its procedure byte, then the card hears nothing until the
  // next reset, as one that lost its contacts half-way.
  std::optional<unsigned> silentAfterHeaderAt;
};

// What the card sends after taking a byte: `bytes` (plain), `delay` after the end of
// the byte it took. `endsCommand` when the command is answered in full.
struct Answer {
  Time delay{0};
  std::string bytes;
  bool endsCommand = false;
};

// The card's command interpreter, byte by byte in plain values: read 00 21 AH AL LL,
// write 00 20 AH AL LL followed by LL data bytes.
class Card {
 public:
  Card(CardMemory memory, std::string atr, CardFaults faults);

  const std::string& Atr() const { return atr_; }
  void Reset();
  std::optional<Answer> Take(std::uint8_t byte);
  const CardMemory& Memory() const { return memory_; }

 private:
  Answer OnHeader(const std::string& header);
  Answer OnWriteData();
  std::string Trimmed(std::string body) const;
  Answer Finish(std::string body, std::uint16_t status, Time delay = Time{0}) const;

  CardMemory memory_;
  std::string atr_;
  CardFaults faults_;
  std::string received_;
  unsigned commands_ = 0;  // since the last reset
  unsigned current_ = 0;   // index of the command being answered
  bool takingData_ = false;
  bool silent_ = false;
  std::size_t writeAddress_ = 0;
  std::size_t writeLength_ = 0;
};

}  // namespace driver::sim
