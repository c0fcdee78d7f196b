#include "sim/trace.h"

#include <cstdio>

namespace driver::sim {

namespace {

const char* Caption(TraceEntry::Kind kind) {
  switch (kind) {
    case TraceEntry::HostByte:
      return "host";
    case TraceEntry::CardByte:
      return "card";
    case TraceEntry::CardErrorSignal:
      return "card error signal";
    case TraceEntry::RtsOn:
      return "RTS on";
    case TraceEntry::RtsOff:
      return "RTS off";
    case TraceEntry::BreakOn:
      return "break on";
    case TraceEntry::BreakOff:
      return "break off";
  }
  return "?";
}

bool IsByte(TraceEntry::Kind kind) { return kind == TraceEntry::HostByte || kind == TraceEntry::CardByte; }

}  // namespace

std::string TraceText(const std::vector<TraceEntry>& entries) {
  std::string text;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto kind = entries[i].kind;
    const bool continues = i > 0 && IsByte(kind) && entries[i - 1].kind == kind;
    if (!continues) {
      if (!text.empty()) text += '\n';
      text += Caption(kind);
    }
    if (IsByte(kind)) {
      char hex[4];
      std::snprintf(hex, sizeof hex, " %02X", entries[i].byte);
      text += hex;
    }
  }
  return text;
}

}  // namespace driver::sim
