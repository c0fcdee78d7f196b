#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace driver::sim {

enum class Eeprom { k24C16, k24C32, k24C64 };

struct EepromGeometry {
  const char* name;
  std::size_t size;  // bytes
  std::size_t page;  // bytes of one page write
};
const EepromGeometry& GeometryOf(Eeprom eeprom);

// What a card without an image holds: every 256-byte block differs from the others,
// so a block read from the wrong address shows.
std::uint8_t PatternByte(std::size_t address);

// The serial EEPROM on the card. Addresses wrap at the size, as the chip ignores the
// address bits it does not have.
class CardMemory {
 public:
  // With an image path the content is loaded from that file (a blank card, all FF,
  // when the file does not exist yet) and written back after each completed write.
  // Throws std::runtime_error when the file cannot be read or has another size, and
  // std::invalid_argument for a stuck cell outside the memory.
  CardMemory(Eeprom eeprom, std::string imagePath,
             std::map<std::uint16_t, std::uint8_t> stuckCells = {});

  std::string Read(std::size_t address, std::size_t count) const;
  // One page write: bytes past the end of the chip's page wrap to its start, stuck
  // cells keep their value. False when the image file could not be rewritten.
  bool WritePage(std::size_t address, const std::string& data);

  const std::string& Bytes() const { return bytes_; }

 private:
  void Load();

  const EepromGeometry& geometry_;
  std::string imagePath_;
  std::map<std::uint16_t, std::uint8_t> stuckCells_;
  std::string bytes_;
};

}  // namespace driver::sim
