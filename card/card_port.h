#pragma once

#include <array>
#include <string>

class TComPort;

// The card programmer's port and card sizes, shared by the window and the terminal
// program so that both talk to the reader the same way.

// The reader's line: 9600 baud, 8 data bits, odd parity, two stop bits (the card's
// inverse convention is recoded in software), no flow control, RTS and DTR left to
// the program (RTS resets the card), all line events, and reads and writes that give
// up after 400 ms plus 2 ms per byte. Call it on a closed port; the port to open is
// named by the card link at each operation.
void ApplyCardPortSettings(TComPort& port);

struct EepromSize {
  const char* name;
  int capacity;  // bytes
  int pageSize;  // bytes per write command
};

// In the order of the window's choice.
inline constexpr std::array<EepromSize, 3> kEepromSizes{{
    {"24C16", 2048, 8},
    {"24C32", 4096, 16},
    {"24C64", 8192, 16},
}};
inline constexpr const EepromSize& kDefaultEepromSize = kEepromSizes[2];

// The size named `name` in any letter case ("24c32"), or nullptr.
const EepromSize* FindEepromSize(const std::string& name);
