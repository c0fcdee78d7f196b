// Soak: write, read back and verify the simulated card over and over, with a random
// fault on the reader every so often, and watch that memory, descriptors and threads
// stay flat and that every cycle on a sound reader gives back exactly what was written.
//
//   belvanto_soak [--cycles N] [--fault-every N] [--speed FACTOR] [--seed N]
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "card/card_link.h"
#include "sim/card.h"
#include "sim/scenarios.h"
#include "support/card_bench.h"
#include "support/process_counts.h"

using driver::sim::ReaderSetup;

namespace {

struct Options {
  int cycles = 500;
  int faultEvery = 20;
  double speed = 1000;
  unsigned seed = 1;
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const char* value = argv[i + 1];
    if (name == "--cycles") options.cycles = std::atoi(value);
    else if (name == "--fault-every") options.faultEvery = std::atoi(value);
    else if (name == "--speed") options.speed = std::atof(value);
    else if (name == "--seed") options.seed = static_cast<unsigned>(std::atoi(value));
    else throw std::invalid_argument("unknown option " + name);
  }
  return options;
}

constexpr int kCapacity = 2048;  // a 24C16: 8 blocks to read, 256 pages of 8 to write
constexpr int kPage = 8;

struct Fault {
  const char* name;
  std::function<void(ReaderSetup&, unsigned at)> inject;  // `at`: a block or page
};

const std::vector<Fault>& Faults() {
  static const std::vector<Fault> faults = {
      {"no card", [](ReaderSetup& s, unsigned) { s.cardInserted = false; }},
      {"foreign ATR", [](ReaderSetup& s, unsigned) { s.atr = driver::sim::ForeignAtr(); }},
      {"10-byte ATR", [](ReaderSetup& s, unsigned) { s.atr.pop_back(); }},
      {"busy port", [](ReaderSetup& s, unsigned) { s.heldByAnotherProgram = true; }},
      {"wrong status", [](ReaderSetup& s, unsigned at) { s.card.wrongStatusAt = at; }},
      {"lost byte", [](ReaderSetup& s, unsigned at) { s.card.lostByteAt = at; }},
      {"mute after header", [](ReaderSetup& s, unsigned at) { s.card.silentAfterHeaderAt = at; }},
      {"card pulled", [](ReaderSetup& s, unsigned at) { s.cardPulledAfter = at + 1; }},
      {"reader unplugged", [](ReaderSetup& s, unsigned at) { s.readerUnpluggedAfter = at + 1; }},
      {"stuck cell", [](ReaderSetup& s, unsigned at) { s.stuckCells[static_cast<std::uint16_t>(at * kPage)] = 0x5A; }},
      {"write-protected", [](ReaderSetup& s, unsigned) { s.card.writeProtected = true; }},
      {"line noise", [](ReaderSetup& s, unsigned at) {
         s.noiseRate = 2e-5;
         s.noiseSeed = at;
       }},
  };
  return faults;
}

// Different bytes in every cycle and at every address.
TBuffer CycleData(int cycle) {
  std::string bytes(kCapacity, '\0');
  for (int i = 0; i < kCapacity; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((cycle * 37 + i * 11 + i / 256) & 0xFF);
  TBuffer buffer;
  buffer.SetCapacity(kCapacity);
  buffer.SetData(bytes);
  return buffer;
}

// One write, read back and comparison. "" when the card gave back what was written;
// otherwise how the cycle ended.
std::string Cycle(CardBench& bench, int cycle) {
  const TBuffer data = CycleData(cycle);
  if (std::string message = bench.Write(data); !message.empty()) return message;
  TBuffer readBack;
  readBack.SetCapacity(kCapacity);
  if (std::string message = bench.Read(readBack); !message.empty()) return message;
  const int difference = CompareBuffers(data, readBack);
  return difference < 0 ? "" : "verify: differs at " + std::to_string(difference);
}

struct Figures {
  ProcessCounts start;
  ProcessCounts peak;
  ProcessCounts end;
  int cleanCycles = 0;
  int faultCycles = 0;
  int lostCycles = 0;  // a sound reader did not give back what was written
  int stuckPorts = 0;  // the port could not be closed after a fault
  std::map<std::string, std::map<std::string, int>> outcomes;  // fault -> ending -> count
};

void Print(const Figures& f, const Options& o) {
  std::printf("cycles %d (clean %d, with a fault %d), fault every %d, speed x%g, seed %u\n",
              f.cleanCycles + f.faultCycles, f.cleanCycles, f.faultCycles, o.faultEvery, o.speed, o.seed);
  for (const auto& [fault, endings] : f.outcomes)
    for (const auto& [ending, count] : endings)
      std::printf("  %-17s %3d x %s\n", fault.c_str(), count, ending.empty() ? "written and verified" : ending.c_str());
  std::printf("descriptors %d -> %d, threads %d -> %d, RSS %zu KiB -> %zu KiB (peak %zu KiB)\n",
              f.start.descriptors, f.end.descriptors, f.start.threads, f.end.threads, f.start.residentKiB,
              f.end.residentKiB, f.peak.residentKiB);
  std::printf("cycles on a sound reader that lost data: %d; ports that could not be closed: %d\n",
              f.lostCycles, f.stuckPorts);
}

std::unique_ptr<CardBench> NewBench(const ReaderSetup& sound, double speed) {
  auto bench = std::make_unique<CardBench>(sound, speed);
  bench->link.PageSize = kPage;
  return bench;
}

// Memory may settle in the first cycles (allocator pools); after that it stays.
constexpr std::size_t kResidentGrowthKiB = 4096;

}  // namespace

int main(int argc, char** argv) {
  Options options;
  try {
    options = ParseOptions(argc, argv);
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "%s\nusage: belvanto_soak [--cycles N] [--fault-every N] [--speed FACTOR] [--seed N]\n", e.what());
    return 2;
  }
  std::mt19937 random(options.seed);
  Figures figures;
  {
    ReaderSetup sound;
    sound.eeprom = driver::sim::Eeprom::k24C16;
    auto bench = NewBench(sound, options.speed);
    for (int cycle = 1; cycle <= options.cycles; ++cycle) {
      const Fault* fault = cycle % options.faultEvery == 0 ? &Faults()[random() % Faults().size()] : nullptr;
      if (fault) {
        ReaderSetup setup = sound;
        fault->inject(setup, static_cast<unsigned>(random() % 256));
        bench->ReplaceFaulty(setup);
      }
      const std::string ending = Cycle(*bench, cycle);
      if (fault) {
        ++figures.faultCycles;
        ++figures.outcomes[fault->name][ending];
        // The reader is put right again: closed, as if unplugged, and a sound one in its place.
        try {
          bench->link.ClosePort();
        } catch (const std::exception& e) {
          ++figures.stuckPorts;
          std::printf("cycle %d (%s): the port cannot be closed: %s\n", cycle, fault->name, e.what());
          bench = NewBench(sound, options.speed);  // the stuck port goes, a fresh one takes over
        }
        bench->ReplaceFaulty(sound);
      } else {
        ++figures.cleanCycles;
        if (!ending.empty()) {
          ++figures.lostCycles;
          std::printf("cycle %d on a sound reader: %s\n", cycle, ending.c_str());
        }
      }
      bench->ForgetRecords();
      const ProcessCounts now = ProcessCounts::Now();
      if (cycle == 1) figures.start = now;
      if (now.residentKiB > figures.peak.residentKiB) figures.peak = now;
      figures.end = now;
    }
  }
  Print(figures, options);
  const bool nothingLost = figures.lostCycles == 0 && figures.stuckPorts == 0;
  const bool flat = figures.end.descriptors == figures.start.descriptors &&
                    figures.end.threads == figures.start.threads &&
                    figures.end.residentKiB <= figures.start.residentKiB + kResidentGrowthKiB;
  std::printf("%s\n", flat && nothingLost ? "soak passed" : "soak FAILED");
  return flat && nothingLost ? 0 : 1;
}
