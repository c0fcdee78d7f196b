#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "card/card_link.h"
#include "card/card_port.h"
#include "serial/comport.h"
#include "serial/driver/directory.h"
#include "sim/scenarios.h"
#include "sim/simulation.h"
#include "support/recording_toolkit.h"
#include "support/sim_link.h"

using namespace std::string_literals;
using driver::sim::Eeprom;
using driver::sim::ReaderSetup;
using driver::sim::Simulation;
using driver::sim::TraceEntry;

namespace {

const std::string kGoodAtrText = "3F 67 2F 00 11 14 00 03 68 90 00";

// --- Codings ----------------------------------------------------------------------------

TEST(CardCodings, InvertBytesUndoesItselfOnEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string coded = InvertBytes(all);
  EXPECT_EQ(coded.size(), 256u);
  EXPECT_EQ(InvertBytes(coded), all);
}

TEST(CardCodings, InvertBytesGivesTheWireBytesOfTheProtocol) {
  const struct {
    std::string plain;
    std::string wire;  // as Hex() shows it
  } cases[] = {
      {"\x00"s, "FF"},
      {"\xFF", "00"},
      {"\x03", "3F"},
      {"\x3F", "03"},
      {"\x21", "7B"},
      {"\x90", "F6"},
      {"\x55", "55"},
      {"\xAA", "AA"},
      {"\x01", "7F"},
      {"", ""},
      {"\x3F\x67\x2F\x00\x11\x14\x00\x03\x68\x90\x00"s, "03 19 0B FF 77 D7 FF 3F E9 F6 FF"},
      {"\x00\x21\x1F\x00\x00"s, "FF 7B 07 FF FF"},
      {"\x00\x20\x00\x10\x04"s, "FF FB FF F7 DF"},
      {"\x90\x00"s, "F6 FF"},
  };
  for (const auto& c : cases) EXPECT_EQ(Hex(InvertBytes(c.plain)), c.wire) << Hex(c.plain);
}

TEST(CardCodings, BytesToHexWritesUpperCasePairsWithOneBlankBetween) {
  const struct {
    std::string bytes;
    std::string text;
  } cases[] = {
      {"", ""},
      {"\x0A", "0A"},
      {"\x00\xFF"s, "00 FF"},
      {"\xab\xcd\xef", "AB CD EF"},
      {"\x3F\x67\x2F\x00\x11\x14\x00\x03\x68\x90\x00"s, kGoodAtrText},
  };
  for (const auto& c : cases) EXPECT_EQ(BytesToHex(c.bytes), c.text);
}

TEST(CardCodings, HexToBytesTakesEveryPairOfDigitsAndSkipsTheRest) {
  const std::string header = "\x00\x21\x1F\x00\x00"s;
  const struct {
    std::string text;
    std::string bytes;
  } cases[] = {
      {"ABC", "\xAB"},        // a lone last digit is dropped
      {"1 2", "\x12"},        // a pair may be split
      {"", ""},
      {"xyz", ""},
      {"00 21 1f00 00", header},
      {"0021 1F0000", header},
      {"00 21 1F 00 00", header},
      {"G1H2-ff", "\x12\xFF"},  // letters beyond F are no digits
      {"\xC3\xA9" "f0", "\xF0"},  // nor are the bytes of a non-ASCII letter
  };
  for (const auto& c : cases) EXPECT_EQ(Hex(HexToBytes(c.text)), Hex(c.bytes)) << c.text;
}

TEST(CardCodings, HexTextRoundTripsEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(HexToBytes(BytesToHex(all)), all);
}

// --- CompareBuffers -----------------------------------------------------------------------

TBuffer BufferOf(const std::string& bytes) {
  TBuffer buffer;
  buffer.SetData(bytes);
  return buffer;
}

TEST(CompareBuffers, GivesTheFirstDifferenceOverTheFirstBuffersLength) {
  std::string card(8192, '\x5A');
  std::string changed = card;
  changed[0x1234] = 0;
  changed[0x1F00] = 0;
  const struct {
    std::string a;
    std::string b;
    int result;
  } cases[] = {
      {card, card, -1},
      {card, changed, 4660},
      {"", "", 0},
      {"", "abc", 0},  // an empty first buffer answers 0, not -1
      {"ab", "abc", -1},
      {"xbc", "ab", 0},
      {"abc", "aX", 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CompareBuffers(BufferOf(c.a), BufferOf(c.b)), c.result) << c.a.size() << "/" << c.b.size();
}

TEST(CompareBuffers, ASecondBufferThatEndsEarlyRaisesTheRangeError) {
  try {
    CompareBuffers(BufferOf("abc"), BufferOf("ab"));
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "GetItem: Length=2 iPos=2");
  }
}

// --- The card link on a simulated reader ----------------------------------------------

// Fast enough for the whole file to run in a few seconds; the line keeps its order, so
// the conversations are the same as at real speed.
constexpr double kSpeedFactor = 500;

// `count` bytes to write, unlike the card's own pattern.
std::string Data(std::size_t count) {
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes += static_cast<char>(0xC3 ^ (i * 7));
  return bytes;
}

// The plain bytes of each run that the host put on the line, in order.
std::vector<std::string> HostRuns(const std::vector<TraceEntry>& trace) {
  std::vector<std::string> runs;
  bool inRun = false;
  for (const TraceEntry& entry : trace) {
    const bool host = entry.kind == TraceEntry::HostByte;
    if (host && !inRun) runs.emplace_back();
    if (host) runs.back() += static_cast<char>(entry.byte);
    inRun = host;
  }
  for (std::string& run : runs) run = Coded(run);
  return runs;
}

std::vector<std::string> HexOf(const std::vector<std::string>& runs) {
  std::vector<std::string> texts;
  for (const std::string& run : runs) texts.push_back(Hex(run));
  return texts;
}

std::string Header(int instruction, int address, int length) {
  char text[20];
  std::snprintf(text, sizeof text, "00 %02X %02X %02X %02X", instruction, address >> 8, address & 0xFF,
                length & 0xFF);
  return text;
}

// The log of a transfer of `last` + 1 blocks or pages, from the showing of the ATR to
// the closing of the port and the release of the progress window.
std::vector<std::string> ProgressLog(const std::string& title, int last) {
  std::vector<std::string> log = {"atr " + kGoodAtrText, "messages", "create " + title, "paint",
                                  "max " + std::to_string(last)};
  for (int i = 0; i <= last; ++i) log.push_back("pos " + std::to_string(i));
  log.push_back("close");
  log.push_back("release");
  return log;
}

// The last `count` entries of `log`.
std::vector<std::string> Tail(const std::vector<std::string>& log, std::size_t count) {
  return {log.end() - static_cast<std::ptrdiff_t>(std::min(count, log.size())), log.end()};
}

// How an operation ended.
struct Outcome {
  std::string message;  // empty: it succeeded
  bool comPortError = false;
  int code = 0;
  int winError = 0;
};

Outcome OutcomeOf(const std::function<void()>& operation) {
  try {
    operation();
    return {};
  } catch (const EComPort& e) {
    return {e.what(), true, e.Code(), e.WinErrorCode()};
  } catch (const std::exception& e) {
    return {e.what()};
  }
}

class CardLinkTest : public ::testing::Test {
 protected:
  CardLinkTest() {
    // Nothing here may reach a real device: unattached names lead nowhere.
    for (int n = 1; n <= 4; ++n)
      ports.MapPort("COM" + std::to_string(n), "/nonexistent/belvanto-tests/COM" + std::to_string(n));
    ApplyCardPortSettings(port);
    port.SetDeviceFactory(&ports);
    link.PortIndex = [this] { return portIndex; };
    link.OnATR = [this](const std::string& text) { toolkit.log.push_back("atr " + text); };
    port.OnBeforeClose = [this](TCustomComPort&) { toolkit.log.push_back("close"); };
  }

  Simulation& Attach(ReaderSetup setup = {}, const std::string& name = "COM1") {
    setup.speedFactor = kSpeedFactor;
    setup.trace = true;
    auto simulation = std::make_shared<Simulation>(setup);
    ports.Attach(name, simulation);
    return *simulation;
  }

  Outcome Read(TBuffer& buffer) {
    return OutcomeOf([&] { link.ReadCard("Lettura", buffer); });
  }
  Outcome Write(const std::string& bytes) {
    const TBuffer buffer = BufferOf(bytes);
    return OutcomeOf([&] { link.WriteCard("Scrittura", buffer); });
  }

  driver::PortDirectory ports;  // outlives the port, which closes its device last
  RecordingToolkit toolkit;
  TComPort port;
  int owner = 0;
  TCardLink link{port, toolkit, &owner};
  int portIndex = 0;
};

// --- Reading ------------------------------------------------------------------------------

struct SizeCase {
  Eeprom eeprom;
  int capacity;
};

class CardLinkRead : public CardLinkTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(CardLinkRead, ReadsTheWholeCardInBlocksOf256) {
  ReaderSetup setup;
  setup.eeprom = GetParam().eeprom;
  Simulation& card = Attach(setup);
  TBuffer buffer;
  buffer.SetCapacity(GetParam().capacity);
  buffer.SetData("old contents");

  ASSERT_EQ(Read(buffer).message, "");

  EXPECT_EQ(buffer.Data(), card.Memory());
  const int last = GetParam().capacity / 256 - 1;
  std::vector<std::string> headers;
  for (int i = 0; i <= last; ++i) headers.push_back(Header(0x21, 256 * i, 0));
  EXPECT_EQ(HexOf(HostRuns(card.Trace())), headers);
  EXPECT_EQ(toolkit.log, ProgressLog("Lettura", last));
  EXPECT_EQ(toolkit.lastOwner, &owner);
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.Port(), "COM1");
}

INSTANTIATE_TEST_SUITE_P(EachSize, CardLinkRead,
                         ::testing::Values(SizeCase{Eeprom::k24C16, 2048}, SizeCase{Eeprom::k24C32, 4096},
                                           SizeCase{Eeprom::k24C64, 8192}));

TEST_F(CardLinkTest, AReadStartsWithTheResetPulseAndSendsItsHeadersCoded) {
  Simulation& card = Attach();
  TBuffer buffer;
  buffer.SetCapacity(2048);
  ASSERT_EQ(Read(buffer).message, "");
  const std::string trace = driver::sim::TraceText(card.Trace());
  EXPECT_EQ(trace.substr(0, trace.find('\n', trace.find("host"))),
            "RTS on\nRTS off\ncard 03 19 0B FF 77 D7 FF 3F E9 F6 FF\nhost FF 7B FF FF FF");
}

TEST_F(CardLinkTest, ALastShortBlockAsksForTheRestOnly) {
  const struct {
    int capacity;
    std::vector<std::string> headers;
  } cases[] = {
      {256, {"00 21 00 00 00"}},
      {257, {"00 21 00 00 00", "00 21 01 00 01"}},
      {300, {"00 21 00 00 00", "00 21 01 00 2C"}},
      {1, {"00 21 00 00 01"}},
  };
  for (const auto& c : cases) {
    ports.DetachAll();
    toolkit.log.clear();
    Simulation& card = Attach();
    TBuffer buffer;
    buffer.SetCapacity(c.capacity);
    ASSERT_EQ(Read(buffer).message, "") << c.capacity;
    EXPECT_EQ(buffer.Data(), card.Memory().substr(0, c.capacity));
    EXPECT_EQ(HexOf(HostRuns(card.Trace())), c.headers);
    EXPECT_EQ(toolkit.log, ProgressLog("Lettura", static_cast<int>(c.headers.size()) - 1));
  }
}

// --- Writing ------------------------------------------------------------------------------

TEST_F(CardLinkTest, WritesPagesFromAddressZeroAndLeavesTheRest) {
  const struct {
    int pageSize;
    std::size_t size;
    std::vector<std::string> runs;
  } cases[] = {
      {16, 20, {"00 20 00 00 10", Hex(Data(16)), "00 20 00 10 04", Hex(Data(20).substr(16))}},
      {16, 16, {"00 20 00 00 10", Hex(Data(16))}},
      {8, 9, {"00 20 00 00 08", Hex(Data(8)), "00 20 00 08 01", Hex(Data(9).substr(8))}},
  };
  for (const auto& c : cases) {
    ports.DetachAll();
    toolkit.log.clear();
    Simulation& card = Attach();
    const std::string before = card.Memory();
    link.PageSize = c.pageSize;
    ASSERT_EQ(Write(Data(c.size)).message, "") << c.size;
    EXPECT_EQ(HexOf(HostRuns(card.Trace())), c.runs);
    EXPECT_EQ(card.Memory(), Data(c.size) + before.substr(c.size));
    EXPECT_EQ(toolkit.log, ProgressLog("Scrittura", static_cast<int>(c.runs.size()) / 2 - 1));
    EXPECT_FALSE(port.Connected());
  }
}

TEST_F(CardLinkTest, WritesAFull24C16In256PagesOf8) {
  ReaderSetup setup;
  setup.eeprom = Eeprom::k24C16;
  Simulation& card = Attach(setup);
  link.PageSize = 8;
  ASSERT_EQ(Write(Data(2048)).message, "");
  EXPECT_EQ(card.Memory(), Data(2048));
  const auto runs = HexOf(HostRuns(card.Trace()));
  ASSERT_EQ(runs.size(), 512u);
  for (int page = 0; page < 256; ++page) EXPECT_EQ(runs[2 * page], Header(0x20, 8 * page, 8));
  EXPECT_EQ(toolkit.log, ProgressLog("Scrittura", 255));
}

TEST_F(CardLinkTest, APageSizeChangedDuringAWriteWaitsForTheNextOne) {
  Simulation& card = Attach();
  toolkit.onProgress = [this] { link.PageSize = 8; };
  ASSERT_EQ(Write(Data(40)).message, "");
  const auto runs = HexOf(HostRuns(card.Trace()));
  ASSERT_EQ(runs.size(), 6u);
  EXPECT_EQ(runs[0], "00 20 00 00 10");
  EXPECT_EQ(runs[2], "00 20 00 10 10");
  EXPECT_EQ(runs[4], "00 20 00 20 08");
  EXPECT_EQ(card.Memory().substr(0, 40), Data(40));

  toolkit.onProgress = nullptr;
  ASSERT_EQ(Write(Data(9)).message, "");
  EXPECT_EQ(HexOf(HostRuns(card.Trace()))[6], "00 20 00 00 08");
}

// The status byte left over would shift the echo of a short page into the place of 90 00.
TEST_F(CardLinkTest, AWriteHeaderAnsweredWithAStatusGetsNoData) {
  ReaderSetup setup;
  setup.card.writeProtected = true;
  Simulation& card = Attach(setup);
  EXPECT_EQ(Write(std::string("\x5A\x5A\x90\x00", 4)).message, "Erreur d'écriture");
  EXPECT_EQ(HexOf(HostRuns(card.Trace())), std::vector<std::string>{"00 20 00 00 04"});
}

TEST_F(CardLinkTest, AnEmptyBufferIsRefusedBeforeThePortOpens) {
  Simulation& card = Attach();
  EXPECT_EQ(Write("").message, "Buffer vide : rien à écrire");
  EXPECT_TRUE(card.Trace().empty());
  EXPECT_TRUE(toolkit.log.empty());
  EXPECT_FALSE(port.Connected());
}

TEST_F(CardLinkTest, APageSizeOfZeroIsRefusedBeforeThePortOpens) {
  Attach();
  link.PageSize = 0;
  const Outcome outcome = Write(Data(16));
  EXPECT_EQ(outcome.message, "PageSize must be positive");
  EXPECT_TRUE(toolkit.log.empty());
  EXPECT_FALSE(port.Connected());
}

// --- Failures -----------------------------------------------------------------------------

enum class Operation { Read, Write };

struct FailureCase {
  const char* name;
  std::function<void(ReaderSetup&)> fault;
  Operation operation;
  std::string message;
  std::string atr;   // the last text the hook received
  bool progress;     // the transfer began: a progress window, the port closed before its release
  int kept;          // blocks read or pages written before the failing one; -1: none touched
  std::string next;  // how a following write of one page ends
};

const FailureCase kFailures[] = {
    {"NoCard", [](ReaderSetup& s) { s.cardInserted = false; }, Operation::Read,
     "Aucune réponse, vérifiez le port", "", false, -1, "Aucune réponse, vérifiez le port"},
    {"ForeignAtr", [](ReaderSetup& s) { s.atr = driver::sim::ForeignAtr(); }, Operation::Write,
     "ATR non reconnu : carte non valide", Hex(driver::sim::ForeignAtr()), false, -1,
     "ATR non reconnu : carte non valide"},
    {"TenByteAtr", [](ReaderSetup& s) { s.atr = driver::sim::GoodAtr().substr(0, 10); }, Operation::Read,
     "ATR non reconnu : carte non valide", "3F 67 2F 00 11 14 00 03 68 90", false, -1,
     "ATR non reconnu : carte non valide"},
    {"BlockOf263", [](ReaderSetup& s) { s.card.lostByteAt = 2; }, Operation::Read, "Erreur de lecture",
     kGoodAtrText, true, 2, ""},
    {"WrongStatusOnRead", [](ReaderSetup& s) { s.card.wrongStatusAt = 3; }, Operation::Read,
     "Erreur de lecture", kGoodAtrText, true, 3, ""},
    {"WrongStatusOnWrite", [](ReaderSetup& s) { s.card.wrongStatusAt = 1; }, Operation::Write,
     "Erreur d'écriture", kGoodAtrText, true, 1, ""},
    {"CardPulledMidRead", [](ReaderSetup& s) { s.cardPulledAfter = 3; }, Operation::Read,
     "Erreur de lecture", kGoodAtrText, true, 3, "Aucune réponse, vérifiez le port"},
};

class CardLinkFailure : public CardLinkTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CardLinkFailure, RaisesItsMessageAndLeavesTheRestUsable) {
  const FailureCase& c = GetParam();
  ReaderSetup setup;
  setup.eeprom = Eeprom::k24C16;
  c.fault(setup);
  Simulation& card = Attach(setup);
  const std::string before = card.Memory();
  TBuffer buffer;
  buffer.SetCapacity(2048);
  buffer.SetData("old contents");

  const Outcome outcome = c.operation == Operation::Read ? Read(buffer) : Write(Data(48));

  EXPECT_EQ(outcome.message, c.message);
  EXPECT_FALSE(outcome.comPortError);
  ASSERT_FALSE(toolkit.log.empty());
  EXPECT_EQ(toolkit.log.front(), "atr " + c.atr);
  if (c.progress) {
    EXPECT_EQ(Tail(toolkit.log, 2), (std::vector<std::string>{"close"s, "release"s}));
    EXPECT_FALSE(port.Connected());
  } else {
    // Stopped at the ATR: no window, and the port stays open for the next try.
    EXPECT_EQ(toolkit.log, (std::vector<std::string>{"atr " + c.atr, "messages"}));
    EXPECT_TRUE(port.Connected());
  }
  if (c.operation == Operation::Read) {
    EXPECT_EQ(buffer.Data(), c.kept < 0 ? "old contents" : before.substr(0, 256 * c.kept));
  } else if (c.kept < 0) {
    EXPECT_EQ(card.Memory(), before);
  } else {
    // The failing page may be partly written; the pages after it are not.
    const std::size_t written = 16 * c.kept;
    EXPECT_EQ(card.Memory().substr(0, written), Data(written));
    EXPECT_EQ(card.Memory().substr(written + 16), before.substr(written + 16));
  }

  const Outcome next = Write(Data(16));
  EXPECT_EQ(next.message, c.next);
}

INSTANTIATE_TEST_SUITE_P(Cases, CardLinkFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CardLinkTest, UnpluggingTheReaderPassesTheComponentsErrorUnchanged) {
  ReaderSetup setup;
  setup.readerUnpluggedAfter = 2;  // gone as the card answers the second page
  Simulation& card = Attach(setup);
  const std::string before = card.Memory();

  const Outcome outcome = Write(Data(48));

  // Which call meets the missing device first depends on when the host thread runs;
  // the failure to close the port afterwards must not take its place.
  EXPECT_TRUE(outcome.comPortError) << outcome.message;
  const std::set<int> transferCodes = {comerror::WriteFailed, comerror::ReadFailed,
                                       comerror::ClearErrorFailed};
  EXPECT_EQ(transferCodes.count(outcome.code), 1u) << outcome.message;
  EXPECT_EQ(outcome.winError, EIO);
  EXPECT_EQ(Tail(toolkit.log, 3), (std::vector<std::string>{"pos 0"s, "close"s, "release"s}));
  EXPECT_EQ(card.Memory().substr(0, 16), Data(16));
  EXPECT_EQ(card.Memory().substr(32), before.substr(32));
}

TEST_F(CardLinkTest, AfterAFailedAtrCheckAnotherPortCanBeChosen) {
  ReaderSetup foreign;
  foreign.atr = driver::sim::ForeignAtr();
  Attach(foreign, "COM1");
  Simulation& good = Attach({}, "COM2");
  TBuffer buffer;
  ASSERT_EQ(Read(buffer).message, "ATR non reconnu : carte non valide");
  ASSERT_TRUE(port.Connected());

  portIndex = 1;
  EXPECT_EQ(Read(buffer).message, "");
  EXPECT_EQ(buffer.Data(), good.Memory());
  EXPECT_EQ(port.Port(), "COM2");
  EXPECT_FALSE(port.Connected());
  // COM1 was given back when the link moved on.
  TComPort other;
  other.SetDeviceFactory(&ports);
  EXPECT_NO_THROW(other.Open());
}

TEST_F(CardLinkTest, OpeningFailuresLeaveThePortClosedAndShowNothing) {
  const struct {
    const char* name;
    std::function<void(std::unique_ptr<TComPort>& holder)> cause;
    std::function<void(std::unique_ptr<TComPort>& holder)> cure;
    int portIndex;
    std::string message;
  } cases[] = {
      {"busy",
       [this](auto& holder) {
         holder = std::make_unique<TComPort>();
         holder->SetDeviceFactory(&ports);
         holder->Open();
       },
       [](auto& holder) { holder.reset(); }, 0, "Port série occupé"},
      {"missing", [](auto&) {}, [this](auto&) { Attach({}, "COM3"); }, 2, "Port série invalide"},
  };
  for (const auto& c : cases) {
    ports.DetachAll();
    Attach();
    toolkit.log.clear();
    portIndex = c.portIndex;
    std::unique_ptr<TComPort> holder;
    c.cause(holder);
    TBuffer buffer;
    buffer.SetData("old contents");

    EXPECT_EQ(Read(buffer).message, c.message) << c.name;
    EXPECT_FALSE(port.Connected()) << c.name;
    EXPECT_TRUE(toolkit.log.empty()) << c.name;
    EXPECT_EQ(buffer.Data(), "old contents") << c.name;

    c.cure(holder);
    EXPECT_EQ(Read(buffer).message, "") << c.name;
    EXPECT_EQ(port.Port(), "COM" + std::to_string(c.portIndex + 1)) << c.name;
  }
}

TEST_F(CardLinkTest, ABusyReaderOfItsOwnIsReportedAsBusy) {
  ReaderSetup setup;
  setup.heldByAnotherProgram = true;
  Attach(setup);
  EXPECT_EQ(Write(Data(16)).message, "Port série occupé");
  EXPECT_FALSE(port.Connected());
}

}  // namespace
