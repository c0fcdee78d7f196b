#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/clock.h"

namespace driver::sim {

// What happened on the simulated line, in the order it was put there.
struct TraceEntry {
  enum Kind : std::uint8_t {
    HostByte,     // the host sent `byte` (as on the wire)
    CardByte,     // the card sent `byte` (as on the wire)
    CardErrorSignal,  // the card pulled the line low to refuse a character with bad parity
    RtsOn,
    RtsOff,
    BreakOn,
    BreakOff,
  };
  Time at;  // when it starts on the line
  Kind kind;
  std::uint8_t byte = 0;
};

// One line per run of bytes from one side ("host FF 7B 07 FF FF", "card 7B ..."), one
// line per other entry ("RTS on").
std::string TraceText(const std::vector<TraceEntry>& entries);

}  // namespace driver::sim
