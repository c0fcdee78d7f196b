// The modem-line half of the Linux event wait. Pseudo-terminals have no modem lines,
// so the lines here are played by the test.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include "serial/driver/posix/line_watch.h"
#include "serial/driver/records.h"
#include "support/played_modem_lines.h"

using namespace driver;
using driver::posix::LineCounters;
using driver::posix::LineWatch;
using driver::posix::ModemEventsBetween;
using test_support::PlayedModemLines;

namespace {

LineCounters Counted(std::uint32_t cts, std::uint32_t dsr, std::uint32_t rng, std::uint32_t dcd) {
  LineCounters counters;
  counters.available = true;
  counters.cts = cts;
  counters.dsr = dsr;
  counters.rng = rng;
  counters.dcd = dcd;
  return counters;
}

}  // namespace

TEST(LineCounters, ModemEventsAreTheLinesWhoseCountersMoved) {
  const LineCounters base = Counted(5, 5, 5, 5);
  LineCounters otherTotals = base;
  otherTotals.rx = otherTotals.frame = otherTotals.brk = 9;
  const struct {
    LineCounters after;
    std::uint32_t events;
  } cases[] = {
      {base, 0},
      {otherTotals, 0},
      {Counted(6, 5, 5, 5), EV_CTS},
      {Counted(5, 7, 5, 5), EV_DSR},
      {Counted(5, 5, 6, 5), EV_RING},
      {Counted(5, 5, 5, 4), EV_RLSD},
      {Counted(7, 6, 6, 6), EV_CTS | EV_DSR | EV_RING | EV_RLSD},
  };
  for (const auto& c : cases) EXPECT_EQ(ModemEventsBetween(base, c.after), c.events);
  // The totals wrap; a device without counters never moves.
  EXPECT_EQ(ModemEventsBetween(Counted(0xFFFFFFFF, 0, 0, 0), Counted(0, 0, 0, 0)), EV_CTS);
  EXPECT_EQ(ModemEventsBetween(LineCounters{}, LineCounters{}), 0u);
}

TEST(LineWatch, WakesForSelectedLinesOnlyAndEndsWhileBlocked) {
  PlayedModemLines lines;
  WakeEvent moved;
  {
    const LineWatch watch(lines, EV_CTS | EV_RLSD, moved);
    ASSERT_TRUE(lines.Entered(1));
    EXPECT_EQ(lines.WaitedLines(), TIOCM_CTS | TIOCM_CD);
    lines.Move(Counted(0, 1, 1, 0));  // DSR and ring: not selected
    ASSERT_TRUE(lines.Entered(2));
    EXPECT_FALSE(moved.IsSet());
    lines.Move(Counted(0, 1, 1, 1));
    ASSERT_TRUE(lines.Entered(3));
    EXPECT_TRUE(moved.IsSet());
  }  // ends blocked in the read
  // Ended mostly on its way into the blocking call, where a signal is lost.
  for (int waits = 4; waits < 54; ++waits) {
    const LineWatch watch(lines, EV_RING, moved);
    ASSERT_TRUE(lines.Entered(waits));
  }
}
