#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "sim/setup.h"

// The faults of the simulated reader met by whole card commands, as the window and
// belvanto-cli run them: shared by both programs' fault suites, so that each fault ends
// the same way in either. Every case works on a 24C16 with a full file: a read is a
// reset and 8 blocks, a write a reset and 256 pages, an erase both one after the other.
namespace command_faults {

enum class Command { Read, Write, Verify, Erase };

inline constexpr int kCapacity = 2048;
// Fast, and the line still times every byte.
inline constexpr double kSpeed = 2000;

struct CommandFault {
  std::string name;
  Command command;
  std::function<void(driver::sim::ReaderSetup&)> inject;
  // What the user is shown (full stop added), any one of them: a reader unplugged
  // between two blocks fails the next call on its port, whichever comes first. Empty
  // when the command succeeds anyway.
  std::vector<std::string> messages;
  std::vector<std::string> atrs;  // the ATR text of every reset, in order
  bool portLeftOpen = false;      // a failed ATR check leaves the port open by design
};

// Each fault at the first, a middle and the last block or page it can hit, for every
// command: the reset faults, a wrong status, a lost byte, the card pulled, the reader
// unplugged, and a write-protected card for the commands that write.
std::vector<CommandFault> CommandFaults();

// A cell that keeps its value through writes, found by reading back.
struct StuckCell {
  std::string name;
  Command command;  // Verify (after a write of the data) or Erase
  std::uint16_t address;
  std::string status;  // "Echec vérification à l'adresse 0x0400"
};

// At the first, a middle and the last address, for verify and erase.
std::vector<StuckCell> StuckCells();

// A 24C16 reader at kSpeed with `inject` applied.
driver::sim::ReaderSetup SimulatedReader(const std::function<void(driver::sim::ReaderSetup&)>& inject = {});
// A 24C16 reader whose cell keeps the value the blank card holds there.
driver::sim::ReaderSetup SimulatedReader(const StuckCell& cell);
// The blank 24C16's bytes.
std::string BlankCard();
// The data the write and verify cases use: unlike the blank card in every byte.
std::string Data();
// The status line of a command that ran to its end without a difference.
std::string SuccessStatus(Command command);
// A card with noise on its line, one seed per case.
driver::sim::ReaderSetup Noisy(std::uint32_t seed);
// The errors a noisy line may end a read with, as shown: no answer, a garbled ATR, a
// failed block.
const std::vector<std::string>& NoiseErrors();
// `shown` when it is one of `allowed`, else the first of them ("" when none is): what
// EXPECT_EQ compares `shown` with, so that a mismatch prints both texts.
std::string Allowed(const std::vector<std::string>& allowed, const std::string& shown);

// Test names show the case, not its function object.
inline void PrintTo(const CommandFault& c, std::ostream* out) { *out << c.name; }
inline void PrintTo(const StuckCell& c, std::ostream* out) { *out << c.name; }
template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return info.param.name;
}

}  // namespace command_faults
