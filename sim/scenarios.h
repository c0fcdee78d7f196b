#pragma once

#include <map>
#include <string>

#include "sim/setup.h"

namespace driver::sim {

// A plausible card of another kind, as its plain ATR.
const std::string& ForeignAtr();

// The built-in set that makes the programs self-demonstrating: COM1 a good 24C64 card
// (kept in `imagePath` when one is given), COM2 a reader with no card, COM3 a card with
// a foreign ATR, COM4 a port held by another program.
std::map<std::string, ReaderSetup> BuiltInScenarios(const std::string& imagePath, double speedFactor);

// Attaches the built-in set to the process-wide PortDirectory. Nothing is attached when
// setting one up fails (a bad image file: std::runtime_error).
void AttachBuiltInScenarios(const std::string& imagePath = {}, double speedFactor = 1);

}  // namespace driver::sim
