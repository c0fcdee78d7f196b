// The faults of the simulated reader met through belvanto-cli's card commands, run in
// this process on readers of the test's own: the message on standard error and the exit
// status, nothing else reported (the program's error handler would print it too), the
// files as they were, and no descriptor or thread left behind once the program's run is
// over. Each run opens its own port, so the next one on the same port works whatever the
// last one met.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <sstream>

#include "apps/cli/cli.h"
#include "serial/driver/directory.h"
#include "sim/simulation.h"
#include "support/command_faults.h"
#include "support/event_watching.h"
#include "support/mismatch.h"
#include "support/process_counts.h"
#include "support/temp_folder.h"

using command_faults::Allowed;
using command_faults::Command;
using command_faults::CommandFault;
using command_faults::Data;
using command_faults::StuckCell;
using command_faults::SuccessStatus;

namespace {

const char* const kPort = "COM9";
const std::string kOldContents = "what the file held before";

struct Result {
  int status;
  std::string out;
  std::string err;
  // What reached the application-wide handler, which prints to standard error in the
  // program: an event-thread failure, say.
  std::vector<std::string> reported;
};

class CliFaults : public ::testing::Test {
 protected:
  CliFaults() { WriteWholeFile(DataFile(), Data()); }
  void TearDown() override { driver::PortDirectory::Instance().Detach(kPort); }

  const driver::sim::Simulation& Attach(const driver::sim::ReaderSetup& setup) {
    auto simulation = std::make_shared<driver::sim::Simulation>(setup);
    driver::PortDirectory::Instance().Attach(kPort, simulation);
    card_ = simulation;
    return *simulation;
  }

  // `command` on the 24C16 behind kPort; read fills an existing file, write and verify
  // take the data.
  Result Run(Command command) {
    static const char* const names[] = {"read", "write", "verify", "erase"};
    std::vector<std::string> args{"--port", kPort, "--size", "24C16", names[static_cast<int>(command)]};
    if (command == Command::Read) {
      WriteWholeFile(ReadFile(), kOldContents);
      args.push_back(ReadFile());
    } else if (command != Command::Erase) {
      args.push_back(DataFile());
    }
    std::ostringstream out;
    std::ostringstream err;
    const test_support::ReportedMessages reported;
    const int status = cli::Run(args, {out, err, -1}, {"", {}});  // no settings: no port choices
    return {status, out.str(), err.str(), reported.Messages()};
  }

  std::string DataFile() const { return folder_.File("data.bin"); }
  std::string ReadFile() const { return folder_.File("card.bin"); }

  // A good card in the faulty one's place reads whole into the file.
  void ExpectAGoodCardReads() {
    const driver::sim::Simulation& good = Attach(command_faults::SimulatedReader());
    const Result read = Run(Command::Read);
    EXPECT_EQ(read.status, cli::kSuccess) << read.err;
    EXPECT_EQ(Mismatch(ReadWholeFile(ReadFile()), good.Memory()), "");
  }

  // Only the files the test wrote: nothing half-written left beside them.
  std::vector<std::string> FileNames() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  TempFolder folder_;
  // Kept here too: the reader handed out stays good until the next Attach.
  std::shared_ptr<driver::sim::Simulation> card_;
};

std::string AtrLines(const std::vector<std::string>& atrs) {
  std::string lines;
  for (const std::string& atr : atrs)
    if (!atr.empty()) lines += "ATR : " + atr + "\n";
  return lines;
}

// The error message, after the ATR lines.
std::string LastLine(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text.substr(text.rfind('\n') + 1);
}

class CliCommandFault : public CliFaults, public ::testing::WithParamInterface<CommandFault> {};

TEST_P(CliCommandFault, EndsWithItsMessageAndLeavesTheFilesAsTheyWere) {
  const CommandFault& c = GetParam();
  const driver::sim::Simulation& card = Attach(command_faults::SimulatedReader(c.inject));
  const ProcessCounts before = ProcessCounts::Now();

  const Result result = Run(c.command);

  if (c.messages.empty()) {
    EXPECT_EQ(result.status, cli::kSuccess);
    EXPECT_EQ(result.out, SuccessStatus(c.command) + "\n");
    EXPECT_EQ(result.err, AtrLines(c.atrs));
    if (c.command == Command::Write) {
      EXPECT_EQ(Mismatch(card.Memory(), Data()), "");
    }
  } else {
    EXPECT_EQ(result.status, cli::kFailure);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, AtrLines(c.atrs) + Allowed(c.messages, LastLine(result.err)) + "\n");
  }
  EXPECT_EQ(result.reported, std::vector<std::string>{}) << "beside " << result.err;
  if (c.command == Command::Read) {
    EXPECT_EQ(ReadWholeFile(ReadFile()), kOldContents);
  }
  EXPECT_EQ(Mismatch(ReadWholeFile(DataFile()), Data()), "");
  ExpectNoLeakSince(before);  // the port's event thread among them

  ExpectAGoodCardReads();
  ExpectNoLeakSince(before);
  EXPECT_EQ(FileNames(), (std::vector<std::string>{"card.bin", "data.bin"}));
}

INSTANTIATE_TEST_SUITE_P(Faults, CliCommandFault, ::testing::ValuesIn(command_faults::CommandFaults()),
                         command_faults::CaseName<CommandFault>);

class CliStuckCell : public CliFaults, public ::testing::WithParamInterface<StuckCell> {};

// Stuck cells take a write without a complaint: reading back names the first one and
// the program exits 1.
TEST_P(CliStuckCell, ReadingBackNamesItsAddressAndExits1) {
  const StuckCell& c = GetParam();
  Attach(command_faults::SimulatedReader(c));
  const ProcessCounts before = ProcessCounts::Now();

  if (c.command == Command::Verify) {
    EXPECT_EQ(Run(Command::Write).status, cli::kSuccess);
  }
  const Result result = Run(c.command);

  EXPECT_EQ(result.status, cli::kDifference);
  const std::string address = c.status.substr(c.status.size() - 6);  // "0x07FF"
  EXPECT_EQ(result.out, c.status + "\n" + address + "-" + address + " (1 octet)\n");
  EXPECT_EQ(Mismatch(ReadWholeFile(DataFile()), Data()), "");
  ExpectNoLeakSince(before);
}

INSTANTIATE_TEST_SUITE_P(Cells, CliStuckCell, ::testing::ValuesIn(command_faults::StuckCells()),
                         command_faults::CaseName<StuckCell>);

class CliLineNoise : public CliFaults, public ::testing::WithParamInterface<std::uint32_t> {};

// A block that came with a line error fails the read: the file gets the whole card or
// keeps what it held.
TEST_P(CliLineNoise, ReadEndsWithAnErrorOrTheFileHoldsTheWholeCard) {
  const driver::sim::Simulation& card = Attach(command_faults::Noisy(GetParam()));
  const ProcessCounts before = ProcessCounts::Now();

  const Result result = Run(Command::Read);

  if (result.status == cli::kSuccess) {
    EXPECT_EQ(Mismatch(ReadWholeFile(ReadFile()), card.Memory()), "");
  } else {
    EXPECT_EQ(result.status, cli::kFailure);
    const std::string message = LastLine(result.err);
    EXPECT_EQ(message, Allowed(command_faults::NoiseErrors(), message));
    EXPECT_EQ(ReadWholeFile(ReadFile()), kOldContents);
  }
  ExpectNoLeakSince(before);
  ExpectAGoodCardReads();
}

INSTANTIATE_TEST_SUITE_P(Seeds, CliLineNoise, ::testing::Range<std::uint32_t>(1, 11));

}  // namespace
