// The faults of the simulated reader met through the window's card commands: the box
// that ends the command, the status line, the listing and the working data as they
// were, the port closed (or left open after a failed ATR check, as designed), a good
// card working next, and no descriptor or thread left behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "gui/window_fixture.h"
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
using Shown = ScriptedDialogs::Shown;

class WindowFaults : public WindowTest {
 protected:
  // The window set to a 24C16 on COM1 with the data of the cases loaded.
  WindowFaults() {
    form.rdEEpromSize->SetItemIndex(0);
    Load(File("data.bin", Data()));
  }

  void Click(Command command) {
    QPushButton* const buttons[] = {form.btLire, form.btEcrire, form.btVerifier, form.btEfface};
    buttons[static_cast<int>(command)]->click();
  }

  void ChoosePort(int index) { form.RadioGroup1->Items()[index]->click(); }

  // The working data (`data`) goes whole to a good card on the chosen port, which is
  // closed after.
  void ExpectAGoodCardTakesTheData(const std::string& port, const std::string& data = Data()) {
    const Simulation& good = Attach(port, SimulatedReader());
    Click(Command::Write);
    EXPECT_EQ(Status(), " " + SuccessStatus(Command::Write));
    EXPECT_EQ(Mismatch(good.Memory(), data), "");
    EXPECT_FALSE(form.ComPort1.Connected());
  }
};

class WindowCommandFault : public WindowFaults,
                           public ::testing::WithParamInterface<CommandFault> {};

TEST_P(WindowCommandFault, EndsWithItsBoxAndLeavesTheWindowAsItWas) {
  const CommandFault& c = GetParam();
  const Simulation& card = Attach("COM1", SimulatedReader(c.inject));
  const std::string status = Status();
  const std::string listing = Listing();
  const ProcessCounts before = ProcessCounts::Now();

  Click(c.command);

  const std::vector<Shown> errors = Errors();
  if (c.messages.empty()) {
    EXPECT_EQ(errors, std::vector<Shown>{});
    EXPECT_EQ(Status(), " " + SuccessStatus(c.command));
    if (c.command == Command::Write) {
      EXPECT_EQ(Mismatch(card.Memory(), Data()), "");
    }
  } else {
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front().title, "Belvanto");
    EXPECT_EQ(errors.front().text, Allowed(c.messages, errors.front().text));
    EXPECT_EQ(Status(), status);
  }
  EXPECT_EQ(Listing(), listing);
  EXPECT_EQ(Atr(), c.atrs.empty() ? " " : c.atrs.back());
  EXPECT_EQ(form.ComPort1.Connected(), c.portLeftOpen);
  if (!c.portLeftOpen) ExpectNoLeakSince(before);  // the event thread among them

  // A port left open is closed by choosing another; a closed one opens afresh for a
  // good card put in its reader's place.
  if (c.portLeftOpen) ChoosePort(1);
  ExpectAGoodCardTakesTheData(c.portLeftOpen ? "COM2" : "COM1");
  EXPECT_EQ(Errors(), errors);
  ExpectNoLeakSince(before);
}

INSTANTIATE_TEST_SUITE_P(Faults, WindowCommandFault, ::testing::ValuesIn(command_faults::CommandFaults()),
                         command_faults::CaseName<CommandFault>);

class WindowStuckCell : public WindowFaults, public ::testing::WithParamInterface<StuckCell> {};

// Stuck cells take a write without a complaint: reading back names the first one, on
// the status line, and the working data stays.
TEST_P(WindowStuckCell, ReadingBackNamesItsAddress) {
  const StuckCell& c = GetParam();
  const Simulation& card = Attach("COM1", SimulatedReader(c));
  const std::string listing = Listing();
  const ProcessCounts before = ProcessCounts::Now();

  if (c.command == Command::Verify) {
    Click(Command::Write);
    EXPECT_EQ(Status(), " " + SuccessStatus(Command::Write));
  }
  Click(c.command);

  EXPECT_EQ(Status(), " " + c.status);
  EXPECT_EQ(Errors(), std::vector<Shown>{});
  EXPECT_EQ(Listing(), listing);
  EXPECT_EQ(static_cast<std::uint8_t>(card.Memory()[c.address]),
            static_cast<std::uint8_t>(command_faults::BlankCard()[c.address]));
  EXPECT_FALSE(form.ComPort1.Connected());
  ExpectNoLeakSince(before);
}

INSTANTIATE_TEST_SUITE_P(Cells, WindowStuckCell, ::testing::ValuesIn(command_faults::StuckCells()),
                         command_faults::CaseName<StuckCell>);

class WindowLineNoise : public WindowFaults, public ::testing::WithParamInterface<std::uint32_t> {};

// The protocol has no checksum: a block that came with a line error must fail the read,
// never reach the listing.
TEST_P(WindowLineNoise, ReadEndsWithAnErrorOrShowsTheWholeCard) {
  const Simulation& card = Attach("COM1", command_faults::Noisy(GetParam()));
  const std::string status = Status();
  const std::string listing = Listing();

  Click(Command::Read);

  const std::vector<Shown> errors = Errors();
  if (errors.empty()) {
    EXPECT_EQ(Status(), " " + SuccessStatus(Command::Read));
    EXPECT_EQ(Mismatch(Listing(), ListingOf(card.Memory())), "");
  } else {
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front().text, Allowed(command_faults::NoiseErrors(), errors.front().text));
    EXPECT_EQ(Status(), status);
    EXPECT_EQ(Listing(), listing);
  }
  ChoosePort(1);
  ExpectAGoodCardTakesTheData("COM2", errors.empty() ? card.Memory() : Data());
}

INSTANTIATE_TEST_SUITE_P(Seeds, WindowLineNoise, ::testing::Range<std::uint32_t>(1, 7));

}  // namespace
