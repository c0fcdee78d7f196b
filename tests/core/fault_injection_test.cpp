// Every fault the simulated reader injects, at the first, a middle and the last block or
// page of a transfer through the card link: the message, what the buffer and the card
// hold afterwards, whether the port is left open, that the next operation on a good card
// works, and that no descriptor or thread is left behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "card/card_link.h"
#include "sim/card.h"
#include "sim/scenarios.h"
#include "support/card_bench.h"
#include "support/mismatch.h"
#include "support/process_counts.h"

using driver::sim::Eeprom;
using driver::sim::ReaderSetup;

namespace {

constexpr double kSpeedFactor = 500;
// A 24C16: 8 blocks of 256 bytes to read, 256 pages of 8 bytes to write.
constexpr int kCapacity = 2048;
constexpr int kBlock = 256;
constexpr int kPage = 8;
constexpr int kNoFailure = -2;
constexpr int kBeforeTransfer = -1;

const std::string kGoodAtrText = "3F 67 2F 00 11 14 00 03 68 90 00";
const std::string kNoAnswer = "Aucune réponse, vérifiez le port";
const std::string kBadAtr = "ATR non reconnu : carte non valide";
const std::string kBusy = "Port série occupé";
const std::string kReadError = "Erreur de lecture";
const std::string kWriteError = "Erreur d'écriture";

struct FaultCase {
  std::string name;
  std::function<void(ReaderSetup&)> inject;
  std::string message;  // "" when the operation succeeds anyway
  int failingAt;        // block or page that fails, kBeforeTransfer or kNoFailure
  bool portLeftOpen = false;
  std::vector<std::string> atrs = {kGoodAtrText};  // what the ATR hook was shown
};

std::string CaseName(const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; }

ReaderSetup SetupWith(const std::function<void(ReaderSetup&)>& inject) {
  ReaderSetup setup;
  setup.eeprom = Eeprom::k24C16;
  inject(setup);
  return setup;
}

// Faults that stop every operation before a block or page moves.
std::vector<FaultCase> ResetFaults() {
  const std::string foreign = BytesToHex(driver::sim::ForeignAtr());
  return {
      {"NoCard", [](ReaderSetup& s) { s.cardInserted = false; }, kNoAnswer, kBeforeTransfer, true, {""}},
      {"ForeignAtr", [](ReaderSetup& s) { s.atr = driver::sim::ForeignAtr(); }, kBadAtr,
       kBeforeTransfer, true, {foreign}},
      {"AtrOfTenBytes", [](ReaderSetup& s) { s.atr.pop_back(); }, kBadAtr, kBeforeTransfer, true,
       {kGoodAtrText.substr(0, kGoodAtrText.size() - 3)}},
      {"BusyPort", [](ReaderSetup& s) { s.heldByAnotherProgram = true; }, kBusy, kBeforeTransfer,
       false, {}},
  };
}

struct Position {
  const char* name;
  unsigned index;
};

// Faults placed at a block or page: `positions` are the indexes of the first, a middle
// and the last one of the transfer.
std::vector<FaultCase> PlacedFaults(const std::vector<Position>& positions, const std::string& transferError) {
  std::vector<FaultCase> cases;
  for (const Position& p : positions) {
    const std::string at = std::string("At") + p.name;
    cases.push_back({"WrongStatus" + at, [p](ReaderSetup& s) { s.card.wrongStatusAt = p.index; },
                     transferError, static_cast<int>(p.index)});
    cases.push_back({"LostByte" + at, [p](ReaderSetup& s) { s.card.lostByteAt = p.index; }, transferError,
                     static_cast<int>(p.index)});
    cases.push_back({"SilentAfterHeader" + at, [p](ReaderSetup& s) { s.card.silentAfterHeaderAt = p.index; },
                     transferError, static_cast<int>(p.index)});
    // Counted in commands answered: the card can go only after the first one.
    const unsigned after = p.index == 0 ? 1 : p.index;
    cases.push_back({"CardPulled" + at, [after](ReaderSetup& s) { s.cardPulledAfter = after; },
                     transferError, static_cast<int>(after)});
  }
  return cases;
}

std::vector<FaultCase> Joined(std::vector<FaultCase> a, const std::vector<FaultCase>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<FaultCase> ReadFaults() {
  return Joined(Joined(ResetFaults(), PlacedFaults({{"First", 0}, {"Middle", 4}, {"Last", 7}}, kReadError)),
                {{"WriteProtected", [](ReaderSetup& s) { s.card.writeProtected = true; }, "", kNoFailure}});
}

std::vector<FaultCase> WriteFaults() {
  return Joined(Joined(ResetFaults(), PlacedFaults({{"First", 0}, {"Middle", 128}, {"Last", 255}}, kWriteError)),
                {{"WriteProtected", [](ReaderSetup& s) { s.card.writeProtected = true; }, kWriteError, 0}});
}

// Unlike the blank card nearly everywhere, so each page written shows; each ends in 90 00, like a status.
std::string NewContents(const std::string& card) {
  std::string data = card;
  for (char& c : data) c = static_cast<char>(~c);
  for (std::size_t end = kPage; end <= data.size(); end += kPage) data.replace(end - 2, 2, "\x90\x00", 2);
  return data;
}

TBuffer BufferOf(const std::string& bytes, int capacity = kCapacity) {
  TBuffer buffer;
  buffer.SetCapacity(capacity);
  buffer.SetData(bytes);
  return buffer;
}

class FaultTest : public ::testing::TestWithParam<FaultCase> {
 protected:
  void SetUp() override { before_ = ProcessCounts::Now(); }
  void TearDown() override { ExpectNoLeakSince(before_); }

  // After the fault: the port as the case says, then a good card on another port reads
  // whole and the port is closed again.
  void ExpectRecovery(CardBench& bench) {
    EXPECT_EQ(bench.port.Connected(), GetParam().portLeftOpen);
    EXPECT_EQ(bench.atrs, GetParam().atrs);
    bench.UseGood();
    TBuffer next = BufferOf("", static_cast<int>(bench.Good().Memory().size()));
    EXPECT_EQ(bench.Read(next), "");
    EXPECT_EQ(Mismatch(next.Data(), bench.Good().Memory()), "");
    EXPECT_FALSE(bench.port.Connected());
  }

 private:
  ProcessCounts before_;
};

class ReadFault : public FaultTest {};

TEST_P(ReadFault, EndsWithItsMessageAndKeepsWhatCameBefore) {
  const FaultCase& fault = GetParam();
  CardBench bench(SetupWith(fault.inject), kSpeedFactor);
  const std::string card = bench.Faulty().Memory();
  TBuffer scratch = BufferOf("the caller's old contents");

  EXPECT_EQ(bench.Read(scratch), fault.message);

  if (fault.failingAt == kBeforeTransfer)
    EXPECT_EQ(scratch.Data(), "the caller's old contents");
  else if (fault.failingAt == kNoFailure)
    EXPECT_EQ(Mismatch(scratch.Data(), card), "");
  else
    EXPECT_EQ(Mismatch(scratch.Data(), card.substr(0, static_cast<std::size_t>(kBlock * fault.failingAt))), "");
  ExpectRecovery(bench);
}

INSTANTIATE_TEST_SUITE_P(Faults, ReadFault, ::testing::ValuesIn(ReadFaults()), CaseName);

class WriteFault : public FaultTest {};

TEST_P(WriteFault, EndsWithItsMessageAndTheCardHoldsThePagesBefore) {
  const FaultCase& fault = GetParam();
  CardBench bench(SetupWith(fault.inject), kSpeedFactor);
  bench.link.PageSize = kPage;
  const std::string blank = bench.Faulty().Memory();
  const std::string data = NewContents(blank);

  EXPECT_EQ(bench.Write(BufferOf(data)), fault.message);

  const std::string card = bench.Faulty().Memory();
  if (fault.failingAt == kBeforeTransfer) {
    EXPECT_EQ(Mismatch(card, blank), "");
  } else if (fault.failingAt == kNoFailure) {
    EXPECT_EQ(Mismatch(card, data), "");
  } else {
    // The failing page itself may or may not have been stored.
    const auto failing = static_cast<std::size_t>(kPage * fault.failingAt);
    EXPECT_EQ(Mismatch(card.substr(0, failing), data.substr(0, failing)), "");
    EXPECT_EQ(Mismatch(card.substr(failing + kPage), blank.substr(failing + kPage)), "");
  }
  ExpectRecovery(bench);
}

INSTANTIATE_TEST_SUITE_P(Faults, WriteFault, ::testing::ValuesIn(WriteFaults()), CaseName);

// Stuck cells take the write without a complaint; reading back is what finds them.
TEST(StuckCell, IsFoundByReadingBackAtTheFirstMiddleAndLastAddress) {
  for (const std::uint16_t address : {0, kCapacity / 2, kCapacity - 1}) {
    const ProcessCounts before = ProcessCounts::Now();
    {
      CardBench bench(SetupWith([address](ReaderSetup& s) { s.stuckCells[address] = 0x5A; }), kSpeedFactor);
      bench.link.PageSize = kPage;
      std::string data = NewContents(bench.Faulty().Memory());
      data[address] = '\x00';
      const TBuffer written = BufferOf(data);

      EXPECT_EQ(bench.Write(written), "") << address;
      TBuffer readBack = BufferOf("");
      EXPECT_EQ(bench.Read(readBack), "") << address;
      EXPECT_EQ(CompareBuffers(written, readBack), address);
      data[address] = '\x5A';
      EXPECT_EQ(Mismatch(readBack.Data(), data), "") << address;
      EXPECT_FALSE(bench.port.Connected());
    }
    ExpectNoLeakSince(before);
  }
}

// A reader unplugged during a transfer: the transfer's own error (the device gone, EIO),
// the port closed, whole blocks kept, and a good card on another port works next.
TEST(ReaderUnplugged, EndsWithTheTransferErrorAndThePortIsFreeAgain) {
  for (const unsigned after : {1u, 4u, 7u}) {
    SCOPED_TRACE(after);
    CardBench bench(SetupWith([after](ReaderSetup& s) { s.readerUnpluggedAfter = after; }), kSpeedFactor);
    const std::string card = bench.Faulty().Memory();
    TBuffer scratch = BufferOf("");

    const std::string message = bench.Read(scratch);
    EXPECT_NE(message.find("(win error code: 5)"), std::string::npos) << message;
    EXPECT_EQ(message.find("PurgeComm"), std::string::npos) << message;
    EXPECT_FALSE(bench.port.Connected());
    EXPECT_EQ(scratch.Size() % kBlock, 0);
    EXPECT_LE(scratch.Size(), kBlock * static_cast<int>(after));
    EXPECT_EQ(Mismatch(scratch.Data(), card.substr(0, static_cast<std::size_t>(scratch.Size()))), "");
    bench.UseGood();
    TBuffer next = BufferOf("", static_cast<int>(bench.Good().Memory().size()));
    EXPECT_EQ(bench.Read(next), "");
  }
}

// Noise on the line garbles the ATR, a reply or a command at random places.
class LineNoise : public ::testing::TestWithParam<std::uint32_t> {
 protected:
  static ReaderSetup Noisy(std::uint32_t seed) {
    return SetupWith([seed](ReaderSetup& s) {
      s.noiseRate = 2e-5;
      s.noiseSeed = seed;
    });
  }
};

// The protocol has no checksum: a byte garbled on the line shows only as a parity
// error at the host's UART, and a block that came with one must fail, not end up in
// the buffer.
TEST_P(LineNoise, ReadEndsWithAnErrorOrTheWholeCard) {
  CardBench bench(Noisy(GetParam()), kSpeedFactor);
  TBuffer scratch = BufferOf("");
  const std::string message = bench.Read(scratch);
  if (message.empty())
    EXPECT_EQ(Mismatch(scratch.Data(), bench.Faulty().Memory()), "");
  else
    EXPECT_TRUE(message == kNoAnswer || message == kBadAtr || message == kReadError) << message;
  bench.UseGood();
  EXPECT_EQ(bench.Read(scratch), "");
}

TEST_P(LineNoise, WriteEndsWithAnErrorOrTheCardHoldsTheData) {
  CardBench bench(Noisy(GetParam()), kSpeedFactor);
  bench.link.PageSize = kPage;
  const std::string data = NewContents(bench.Faulty().Memory());
  const std::string message = bench.Write(BufferOf(data));
  if (message.empty())
    EXPECT_EQ(Mismatch(bench.Faulty().Memory(), data), "");
  else
    EXPECT_TRUE(message == kNoAnswer || message == kBadAtr || message == kWriteError) << message;
}

INSTANTIATE_TEST_SUITE_P(Seeds, LineNoise, ::testing::Range<std::uint32_t>(1, 9));

}  // namespace
