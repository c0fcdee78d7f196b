#include "sim/card_memory.h"

#include <array>
#include <filesystem>
#include <stdexcept>

#include "common/file_io.h"

namespace driver::sim {

const EepromGeometry& GeometryOf(Eeprom eeprom) {
  static const std::array<EepromGeometry, 3> geometries{{
      {"24C16", 2048, 16},
      {"24C32", 4096, 32},
      {"24C64", 8192, 32},
  }};
  return geometries[static_cast<std::size_t>(eeprom)];
}

std::uint8_t PatternByte(std::size_t address) {
  return static_cast<std::uint8_t>(address ^ (address >> 8));
}

CardMemory::CardMemory(Eeprom eeprom, std::string imagePath,
                       std::map<std::uint16_t, std::uint8_t> stuckCells)
    : geometry_(GeometryOf(eeprom)),
      imagePath_(std::move(imagePath)),
      stuckCells_(std::move(stuckCells)) {
  Load();
  for (const auto& [address, value] : stuckCells_) {
    if (address >= geometry_.size)
      throw std::invalid_argument("Stuck cell " + std::to_string(address) + " lies outside a " +
                                  geometry_.name + " card");
    bytes_[address] = static_cast<char>(value);
  }
}

void CardMemory::Load() {
  if (imagePath_.empty()) {
    bytes_.resize(geometry_.size);
    for (std::size_t a = 0; a < geometry_.size; ++a) bytes_[a] = static_cast<char>(PatternByte(a));
    return;
  }
  std::error_code error;
  const bool present = std::filesystem::exists(imagePath_, error);
  if (!present && !error) {
    bytes_.assign(geometry_.size, '\xFF');
    return;
  }
  const std::string quoted = "Simulated card image \"" + imagePath_ + "\"";
  // One byte more than the card holds tells a longer file from a fitting one.
  if (error || ReadFilePrefix(imagePath_, geometry_.size + 1, bytes_) != FileReadResult::Ok)
    throw std::runtime_error(quoted + " cannot be read");
  if (bytes_.size() != geometry_.size)
    throw std::runtime_error(quoted + " holds " + std::to_string(bytes_.size()) +
                             " bytes; a " + geometry_.name + " card holds " +
                             std::to_string(geometry_.size));
}

std::string CardMemory::Read(std::size_t address, std::size_t count) const {
  std::string out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) out += bytes_[(address + i) % geometry_.size];
  return out;
}

bool CardMemory::WritePage(std::size_t address, const std::string& data) {
  const std::size_t first = address % geometry_.size;
  const std::size_t pageStart = first - first % geometry_.page;
  for (std::size_t i = 0; i < data.size(); ++i) {
    const std::size_t cell = pageStart + (first - pageStart + i) % geometry_.page;
    if (!stuckCells_.contains(static_cast<std::uint16_t>(cell))) bytes_[cell] = data[i];
  }
  return imagePath_.empty() || WriteFileAtomically(imagePath_, bytes_) == 0;
}

}  // namespace driver::sim
