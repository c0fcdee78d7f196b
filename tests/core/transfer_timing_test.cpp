#include "serial/driver/transfer_timing.h"

#include <gtest/gtest.h>

#include <tuple>

#include "serial/driver/event.h"

using driver::COMMTIMEOUTS;
using driver::MAXDWORD;
using driver::TransferTiming;
using namespace std::chrono_literals;

namespace {

COMMTIMEOUTS Read(std::uint32_t interval, std::uint32_t mult, std::uint32_t constant) {
  COMMTIMEOUTS t;
  t.ReadIntervalTimeout = interval;
  t.ReadTotalTimeoutMultiplier = mult;
  t.ReadTotalTimeoutConstant = constant;
  return t;
}

}  // namespace

TEST(TransferTiming, CardProgrammerReadOf11BytesLastsAtMost422ms) {
  const auto timing = TransferTiming::ForRead(Read(0, 2, 400), 11);
  EXPECT_FALSE(timing.ReturnsAtOnce());
  EXPECT_EQ(timing.Remaining(0ms, std::nullopt, 0), std::chrono::nanoseconds(422ms));
  EXPECT_EQ(timing.Remaining(400ms, 1ms, 3), std::chrono::nanoseconds(22ms));
  EXPECT_LE(timing.Remaining(422ms, 300ms, 3)->count(), 0);
}

TEST(TransferTiming, CreationTimeoutsReturnAtOnceAndAllZeroWaitForever) {
  EXPECT_TRUE(TransferTiming::ForRead(Read(MAXDWORD, 0, 0), 11).ReturnsAtOnce());
  const auto forever = TransferTiming::ForRead(Read(0, 0, 0), 11);
  EXPECT_FALSE(forever.ReturnsAtOnce());
  EXPECT_EQ(forever.Remaining(10s, 1s, 5), std::nullopt);
}

TEST(TransferTiming, IntervalRunsOnlyAfterTheFirstByteAndCapsTheTotal) {
  const auto timing = TransferTiming::ForRead(Read(50, 0, 1000), 100);
  EXPECT_EQ(timing.Remaining(900ms, std::nullopt, 0), std::chrono::nanoseconds(100ms));
  EXPECT_EQ(timing.Remaining(100ms, 20ms, 4), std::chrono::nanoseconds(30ms));
  const auto intervalOnly = TransferTiming::ForRead(Read(50, 0, 0), 100);
  EXPECT_EQ(intervalOnly.Remaining(5s, std::nullopt, 0), std::nullopt);
  EXPECT_EQ(intervalOnly.Remaining(5s, 10ms, 1), std::chrono::nanoseconds(40ms));
}

TEST(TransferTiming, FirstByteModeEndsAtTheFirstByteOrTheConstant) {
  const auto timing = TransferTiming::ForRead(Read(MAXDWORD, MAXDWORD, 200), 64);
  EXPECT_TRUE(timing.ReturnsOnFirstByte());
  EXPECT_EQ(timing.Remaining(50ms, std::nullopt, 0), std::chrono::nanoseconds(150ms));
  EXPECT_EQ(timing.Remaining(50ms, 0ms, 1), std::chrono::nanoseconds(0));
}

TEST(TransferTiming, WriteTotalIsMultiplierTimesCountPlusConstant) {
  COMMTIMEOUTS t;
  t.WriteTotalTimeoutMultiplier = 100;
  t.WriteTotalTimeoutConstant = 1000;
  EXPECT_EQ(TransferTiming::ForWrite(t, 5).Remaining(0ms, std::nullopt, 0),
            std::chrono::nanoseconds(1500ms));
  EXPECT_EQ(TransferTiming::ForWrite(COMMTIMEOUTS{}, 5).Remaining(1h, std::nullopt, 0),
            std::nullopt);
}

TEST(TransferTiming, TotalsBeyondACenturyAreHeldThereInsteadOfWrapping) {
  const std::tuple<std::uint32_t, std::uint32_t, std::size_t, TransferTiming::Duration> cases[] = {
      {MAXDWORD, MAXDWORD, 100, 4294967295ms * 101},  // still exact: 13.7 years
      {MAXDWORD, 0, 3000, TransferTiming::kLongest},
      {2, MAXDWORD, SIZE_MAX, TransferTiming::kLongest}};
  for (const auto& [multiplier, constant, count, total] : cases) {
    const COMMTIMEOUTS t{0, multiplier, constant, multiplier, constant};
    EXPECT_EQ(TransferTiming::ForRead(t, count).Remaining(1s, std::nullopt, 0), total - 1s);
    EXPECT_EQ(TransferTiming::ForWrite(t, count).Remaining(1s, std::nullopt, 0), total - 1s);
  }
  const driver::WakeEvent set(true);  // the poll helper's deadline does not overflow either
  EXPECT_TRUE(set.Wait(std::chrono::nanoseconds::max()));
}
