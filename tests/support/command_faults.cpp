#include "command_faults.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <optional>

#include "card/card_link.h"
#include "sim/scenarios.h"
#include "sim/simulation.h"

using driver::sim::ReaderSetup;

namespace command_faults {

namespace {

using Inject = std::function<void(ReaderSetup&)>;
using Messages = std::vector<std::string>;

const std::string kGoodAtr = "3F 67 2F 00 11 14 00 03 68 90 00";
const std::string kNoAnswer = "Aucune réponse, vérifiez le port.";
const std::string kBadAtr = "ATR non reconnu : carte non valide.";
const std::string kBusy = "Port série occupé.";
const std::string kReadError = "Erreur de lecture.";
const std::string kWriteError = "Erreur d'écriture.";
// The reader gone at the end of a reply: the read of that reply fails, or the look at
// the line's errors before the next command, as the reader's time and the program's
// thread meet. EIO, which the port reports as Windows' access denied (no full stop).
const Messages kUnplugged = {"ReadFile function failed (win error code: 5)",
                             "ClearCommError function failed (win error code: 5)"};
constexpr unsigned kBlocks = kCapacity / 256;
constexpr unsigned kPages = kCapacity / 8;

// The commands between two resets: pages written or blocks read.
struct Phase {
  bool writes;
  unsigned commands;
};

std::vector<Phase> PhasesOf(Command command) {
  const Phase read{false, kBlocks};
  const Phase write{true, kPages};
  switch (command) {
    case Command::Write:
      return {write};
    case Command::Erase:
      return {write, read};
    case Command::Read:
    case Command::Verify:
      break;
  }
  return {read};
}

const char* NameOf(Command command) {
  static const char* const names[] = {"Read", "Write", "Verify", "Erase"};
  return names[static_cast<int>(command)];
}

struct Position {
  const char* name;
  unsigned index;
};

std::vector<Position> FirstMiddleLast(unsigned count) {
  return {{"First", 0}, {"Middle", count / 2}, {"Last", count - 1}};
}

// The case of a fault that stops the command in `phase` of `command`, or lets it succeed.
CommandFault Stopping(Command command, const std::string& fault, Inject inject,
                      std::optional<std::size_t> phase, const Messages& messages = {}) {
  const std::vector<Phase> phases = PhasesOf(command);
  CommandFault c{fault + "_" + NameOf(command), command, std::move(inject), {}, {kGoodAtr}};
  if (!phase) return c;
  c.messages = !messages.empty() ? messages : Messages{phases[*phase].writes ? kWriteError : kReadError};
  c.atrs.assign(*phase + 1, kGoodAtr);
  return c;
}

std::vector<CommandFault> ResetFaults(Command command) {
  const std::string name = std::string("_") + NameOf(command);
  const std::string cut = kGoodAtr.substr(0, kGoodAtr.size() - 3);
  return {
      {"NoCard" + name, command, [](ReaderSetup& s) { s.cardInserted = false; }, {kNoAnswer}, {""}, true},
      {"ForeignAtr" + name, command, [](ReaderSetup& s) { s.atr = driver::sim::ForeignAtr(); },
       {kBadAtr}, {BytesToHex(driver::sim::ForeignAtr())}, true},
      {"AtrOfTenBytes" + name, command, [](ReaderSetup& s) { s.atr.pop_back(); }, {kBadAtr}, {cut}, true},
      {"BusyPort" + name, command, [](ReaderSetup& s) { s.heldByAnotherProgram = true; }, {kBusy}, {}, false},
  };
}

// The phase of the card command numbered `index`, from 0, over the whole command.
std::size_t PhaseOfCommand(const std::vector<Phase>& phases, unsigned index) {
  std::size_t phase = 0;
  for (; index >= phases[phase].commands; ++phase) index -= phases[phase].commands;
  return phase;
}

std::vector<CommandFault> PlacedFaults(Command command) {
  const std::vector<Phase> phases = PhasesOf(command);
  std::vector<CommandFault> cases;
  const auto add = [&](const std::string& fault, const Position& at, Inject inject,
                       std::optional<std::size_t> phase, const Messages& messages = {}) {
    cases.push_back(Stopping(command, fault + "At" + at.name, std::move(inject), phase, messages));
  };
  // Counted from each reset: the first phase meets it first.
  for (const Position& at : FirstMiddleLast(phases.front().commands)) {
    add("WrongStatus", at, [i = at.index](ReaderSetup& s) { s.card.wrongStatusAt = i; }, 0);
    add("LostByte", at, [i = at.index](ReaderSetup& s) { s.card.lostByteAt = i; }, 0);
  }
  // Counted in commands answered over the whole command; the first can only go after one.
  const unsigned total = std::accumulate(phases.begin(), phases.end(), 0u,
                                         [](unsigned sum, const Phase& p) { return sum + p.commands; });
  for (Position at : FirstMiddleLast(total)) {
    at.index = std::max(at.index, 1u);
    const std::size_t phase = PhaseOfCommand(phases, at.index);
    add("CardPulled", at, [n = at.index](ReaderSetup& s) { s.cardPulledAfter = n; }, phase);
    add("ReaderUnplugged", at, [n = at.index](ReaderSetup& s) { s.readerUnpluggedAfter = n; }, phase,
        kUnplugged);
  }
  if (phases.front().writes)
    cases.push_back(Stopping(command, "WriteProtected", [](ReaderSetup& s) { s.card.writeProtected = true; }, 0));
  return cases;
}

}  // namespace

std::vector<CommandFault> CommandFaults() {
  std::vector<CommandFault> cases;
  for (const Command command : {Command::Read, Command::Write, Command::Verify, Command::Erase}) {
    for (auto& c : ResetFaults(command)) cases.push_back(std::move(c));
    for (auto& c : PlacedFaults(command)) cases.push_back(std::move(c));
  }
  return cases;
}

std::vector<StuckCell> StuckCells() {
  std::vector<StuckCell> cases;
  for (const Position& at : FirstMiddleLast(kCapacity)) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%04X", at.index);
    cases.push_back({std::string("At") + at.name + "_Verify", Command::Verify,
                     static_cast<std::uint16_t>(at.index), std::string("Echec vérification à l'adresse ") + hex});
    cases.push_back({std::string("At") + at.name + "_Erase", Command::Erase,
                     static_cast<std::uint16_t>(at.index), std::string("Echec effacement à l'adresse ") + hex});
  }
  return cases;
}

ReaderSetup SimulatedReader(const Inject& inject) {
  ReaderSetup setup;
  setup.eeprom = driver::sim::Eeprom::k24C16;
  setup.speedFactor = kSpeed;
  if (inject) inject(setup);
  return setup;
}

ReaderSetup SimulatedReader(const StuckCell& cell) {
  const auto blank = static_cast<std::uint8_t>(BlankCard()[cell.address]);
  return SimulatedReader([&](ReaderSetup& s) { s.stuckCells[cell.address] = blank; });
}

std::string BlankCard() { return driver::sim::Simulation(SimulatedReader()).Memory(); }

std::string Data() {
  std::string data = BlankCard();
  for (char& c : data) c = static_cast<char>(~c);
  return data;
}

std::string SuccessStatus(Command command) {
  switch (command) {
    case Command::Read:
      return "Lecture OK (" + std::to_string(kCapacity) + " octets)";
    case Command::Write:
      return "Ecriture OK (" + std::to_string(kCapacity) + " octets)";
    case Command::Verify:
      return "Vérification OK";
    case Command::Erase:
      break;
  }
  return "Effacement OK";
}

ReaderSetup Noisy(std::uint32_t seed) {
  return SimulatedReader([seed](ReaderSetup& s) {
    s.noiseRate = 2e-5;
    s.noiseSeed = seed;
  });
}

const std::vector<std::string>& NoiseErrors() {
  static const Messages errors = {kNoAnswer, kBadAtr, kReadError};
  return errors;
}

std::string Allowed(const std::vector<std::string>& allowed, const std::string& shown) {
  if (allowed.empty()) return "";
  return std::find(allowed.begin(), allowed.end(), shown) != allowed.end() ? shown : allowed.front();
}

}  // namespace command_faults
