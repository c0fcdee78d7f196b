// The faults of the simulated reader met through the command core's card commands: the
// error that ends the command, the status line, the listing and the working data as
// they were, the port closed (or left open after a failed ATR check, as designed), a
// good card working next, and no descriptor or thread left behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/command_fixture.h"
#include "support/command_faults.h"
#include "support/mismatch.h"
#include "support/process_counts.h"

namespace {

using command_faults::Allowed;
using command_faults::Command;
using command_faults::CommandFault;
using command_faults::Data;
using command_faults::SimulatedReader;
using command_faults::StuckCell;
using command_faults::SuccessStatus;
using driver::sim::Simulation;

class CoreFaults : public CoreTest {
 protected:
  // The core set to a 24C16 on COM1 with the data of the cases loaded.
  CoreFaults() {
    ChooseSize(0);
    Load(File("data.bin", Data()));
  }

  void Click(Command command) {
    bool (CommandCore::*const commands[])() = {&CommandCore::Read, &CommandCore::Write,
                                               &CommandCore::Verify, &CommandCore::Erase};
    Run(commands[static_cast<int>(command)]);
  }

  // The working data (`data`) goes whole to a good card on the chosen port, which is
  // closed after.
  void ExpectAGoodCardTakesTheData(const std::string& portName, const std::string& data = Data()) {
    const Simulation& good = Attach(portName, SimulatedReader());
    Click(Command::Write);
    EXPECT_EQ(status, SuccessStatus(Command::Write));
    EXPECT_EQ(Mismatch(good.Memory(), data), "");
    EXPECT_FALSE(port.Connected());
  }
};

class CoreCommandFault : public CoreFaults, public ::testing::WithParamInterface<CommandFault> {};

TEST_P(CoreCommandFault, EndsWithItsErrorAndLeavesTheViewAsItWas) {
  const CommandFault& c = GetParam();
  const Simulation& card = Attach("COM1", SimulatedReader(c.inject));
  const std::string statusBefore = status;
  const std::string listingBefore = listing;
  const ProcessCounts before = ProcessCounts::Now();

  Click(c.command);

  const std::vector<std::string> errors = Errors();
  if (c.messages.empty()) {
    EXPECT_EQ(errors, std::vector<std::string>{});
    EXPECT_EQ(status, SuccessStatus(c.command));
    if (c.command == Command::Write) {
      EXPECT_EQ(Mismatch(card.Memory(), Data()), "");
    }
  } else {
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front(), Allowed(c.messages, errors.front()));
    EXPECT_EQ(status, statusBefore);
  }
  EXPECT_EQ(listing, listingBefore);
  EXPECT_EQ(atrs, c.atrs);
  EXPECT_EQ(enabled, std::vector<bool>(9, true));  // as UpdateView leaves them
  EXPECT_FALSE(core.Running());
  EXPECT_EQ(port.Connected(), c.portLeftOpen);
  if (!c.portLeftOpen) ExpectNoLeakSince(before);  // the event thread among them

  // A port left open is closed by choosing another; a closed one opens afresh for a
  // good card put in its reader's place.
  if (c.portLeftOpen) portIndex = 1;
  ExpectAGoodCardTakesTheData(c.portLeftOpen ? "COM2" : "COM1");
  EXPECT_EQ(Errors(), errors);
  ExpectNoLeakSince(before);
}

INSTANTIATE_TEST_SUITE_P(Faults, CoreCommandFault, ::testing::ValuesIn(command_faults::CommandFaults()),
                         command_faults::CaseName<CommandFault>);

class CoreStuckCell : public CoreFaults, public ::testing::WithParamInterface<StuckCell> {};

// Stuck cells take a write without a complaint: reading back names the first one, on
// the status line, and the working data stays.
TEST_P(CoreStuckCell, ReadingBackNamesItsAddress) {
  const StuckCell& c = GetParam();
  const Simulation& card = Attach("COM1", SimulatedReader(c));
  const std::string listingBefore = listing;
  const ProcessCounts before = ProcessCounts::Now();

  if (c.command == Command::Verify) {
    Click(Command::Write);
    EXPECT_EQ(status, SuccessStatus(Command::Write));
  }
  Click(c.command);

  EXPECT_EQ(status, c.status);
  EXPECT_EQ(core.Difference(), c.address);
  EXPECT_EQ(Errors(), std::vector<std::string>{});
  EXPECT_EQ(listing, listingBefore);
  EXPECT_EQ(static_cast<std::uint8_t>(card.Memory()[c.address]),
            static_cast<std::uint8_t>(command_faults::BlankCard()[c.address]));
  EXPECT_FALSE(port.Connected());
  ExpectNoLeakSince(before);
}

INSTANTIATE_TEST_SUITE_P(Cells, CoreStuckCell, ::testing::ValuesIn(command_faults::StuckCells()),
                         command_faults::CaseName<StuckCell>);

class CoreLineNoise : public CoreFaults, public ::testing::WithParamInterface<std::uint32_t> {};

// The protocol has no checksum: a block that came with a line error must fail the read,
// never reach the listing.
TEST_P(CoreLineNoise, ReadEndsWithAnErrorOrShowsTheWholeCard) {
  const Simulation& card = Attach("COM1", command_faults::Noisy(GetParam()));
  const std::string statusBefore = status;
  const std::string listingBefore = listing;

  Click(Command::Read);

  const std::vector<std::string> errors = Errors();
  if (errors.empty()) {
    EXPECT_EQ(status, SuccessStatus(Command::Read));
    EXPECT_EQ(Mismatch(listing, ListingOf(card.Memory())), "");
  } else {
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front(), Allowed(command_faults::NoiseErrors(), errors.front()));
    EXPECT_EQ(status, statusBefore);
    EXPECT_EQ(listing, listingBefore);
  }
  portIndex = 1;
  ExpectAGoodCardTakesTheData("COM2", errors.empty() ? card.Memory() : Data());
}

INSTANTIATE_TEST_SUITE_P(Seeds, CoreLineNoise, ::testing::Range<std::uint32_t>(1, 11));

}  // namespace
