#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "sim/card.h"
#include "sim/card_memory.h"

namespace driver::sim {

// Everything that makes one simulated reader with its card, faults included.
struct ReaderSetup {
  Eeprom eeprom = Eeprom::k24C64;
  // Empty: the card holds PatternByte and forgets what is written at the end of the
  // run. Otherwise the file keeps the card between runs.
  std::string imagePath;
  // Cells that keep their value whatever is written.
  std::map<std::uint16_t, std::uint8_t> stuckCells;

  bool cardInserted = true;      // false: a reader without a card, silent
  std::string atr = GoodAtr();   // plain bytes; another ATR or a cut one for faults
  CardFaults card;
  // Counted in commands answered since the simulation was set up.
  std::optional<unsigned> cardPulledAfter;       // then silence, carrier detect off
  std::optional<unsigned> readerUnpluggedAfter;  // then the device is gone
  bool heldByAnotherProgram = false;             // every open fails as busy

  double noiseRate = 0;  // chance of each data or parity bit arriving inverted
  std::uint32_t noiseSeed = 1;

  double speedFactor = 1;  // used when no clock is given
  bool trace = false;      // record the line (see Simulation::Trace)
};

}  // namespace driver::sim
