#include "sim/scenarios.h"

#include <memory>

#include "serial/driver/directory.h"
#include "sim/simulation.h"

namespace driver::sim {

const std::string& ForeignAtr() {
  static const std::string atr("\x3F\x65\x25\x08\x31\x04\x6C\x90\x00", 9);
  return atr;
}

std::map<std::string, ReaderSetup> BuiltInScenarios(const std::string& imagePath, double speedFactor) {
  ReaderSetup good;
  good.eeprom = Eeprom::k24C64;
  good.imagePath = imagePath;
  good.speedFactor = speedFactor;
  ReaderSetup noCard = good;
  noCard.imagePath.clear();
  noCard.cardInserted = false;
  ReaderSetup foreign = noCard;
  foreign.cardInserted = true;
  foreign.atr = ForeignAtr();
  ReaderSetup held = noCard;
  held.heldByAnotherProgram = true;
  return {{"COM1", good}, {"COM2", noCard}, {"COM3", foreign}, {"COM4", held}};
}

void AttachBuiltInScenarios(const std::string& imagePath, double speedFactor) {
  std::map<std::string, std::shared_ptr<Simulation>> simulations;
  for (const auto& [port, setup] : BuiltInScenarios(imagePath, speedFactor))
    simulations[port] = std::make_shared<Simulation>(setup);
  for (auto& [port, simulation] : simulations)
    PortDirectory::Instance().Attach(port, std::move(simulation));
}

}  // namespace driver::sim
