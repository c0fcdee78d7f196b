// The card programmer's commands as the command core runs them, seen by a recording view.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "serial/driver/directory.h"
#include "sim/scenarios.h"
#include "support/command_fixture.h"

namespace {

using driver::sim::Eeprom;
using driver::sim::ReaderSetup;
using driver::sim::Simulation;

const char* const kGoodAtr = "3F 67 2F 00 11 14 00 03 68 90 00";
const std::string kEmptyListing = "0000:" + std::string(49, ' ');
const std::vector<bool> kAllEnabled(9, true);
const std::vector<bool> kWithoutData = {true, false, false, true, false, false, true, true, true};

// Command headers as the host puts them on the line: "host FF FB AH AL LL" for writes.
std::vector<std::string> Headers(const std::vector<std::string>& lines, const std::string& prefix) {
  std::vector<std::string> headers;
  for (const auto& line : lines)
    if (line.size() == 19 && line.rfind(prefix, 0) == 0) headers.push_back(line);
  return headers;
}
const char* const kWriteHeader = "host FF FB";
const char* const kReadHeader = "host FF 7B";

using CommandCoreTest = CoreTest;

// --- File commands ------------------------------------------------------------------

TEST_F(CommandCoreTest, LoadTakesAtMostTheChosenSizeAndShowsPathAndCount) {
  const struct {
    int sizeItem;
    std::size_t fileSize;
    int loaded;
  } cases[] = {{1, 10000, 4096}, {2, 10000, 8192}, {0, 2048, 2048}, {0, 100, 100}, {2, 0, 0}};
  for (const auto& c : cases) {
    if (core.WorkBuffer().Size() > 0) Run(&CommandCore::Clear);
    ChooseSize(c.sizeItem);
    const std::string bytes = Noise(c.fileSize);
    const std::string path = File("image " + std::to_string(c.fileSize) + ".bin", bytes);
    Load(path);
    SCOPED_TRACE(path);
    EXPECT_EQ(status, path + " (" + std::to_string(c.loaded) + " octets)");
    EXPECT_EQ(listing, ListingOf(bytes.substr(0, static_cast<std::size_t>(c.loaded))));
    EXPECT_EQ(enabled, c.loaded > 0 ? kAllEnabled : kWithoutData);
  }
  EXPECT_TRUE(Errors().empty());
}

TEST_F(CommandCoreTest, ListingShowsCardBytesAsWindows1252) {
  Load(File("text.bin", "A\x80\xE9\x7F\x81\xAD\xFF\x9F"));
  EXPECT_EQ(listing, "0000: 41 80 E9 7F 81 AD FF 9F" + std::string(25, ' ') + "A€é...ÿŸ");
}

TEST_F(CommandCoreTest, SaveWritesExactlyTheWorkingData) {
  const std::string bytes = Noise(3000);
  Load(File("in.bin", bytes));
  const std::string target = folder.File("out.bin");
  dialogs.AnswerFile(target);
  Run(&CommandCore::Save);
  EXPECT_EQ(status, target + " (3000 octets)");
  EXPECT_EQ(ReadWholeFile(target), bytes);
}

TEST_F(CommandCoreTest, CancelledDialogsChangeNothing) {
  Load(File("in.bin", Noise(100)));
  const std::string statusBefore = status;
  const std::string listingBefore = listing;
  for (auto command : {&CommandCore::Load, &CommandCore::Save}) {
    dialogs.AnswerFile(std::nullopt);
    Run(command);
    EXPECT_EQ(status, statusBefore);
    EXPECT_EQ(listing, listingBefore);
  }
  EXPECT_EQ(enabled, kAllEnabled);
  EXPECT_EQ(dialogs.shown().size(), 3u);
}

TEST_F(CommandCoreTest, FileThatCannotBeOpenedLeavesTheDataAsItWas) {
  Load(File("in.bin", Noise(100)));
  const std::string statusBefore = status;
  const std::string listingBefore = listing;
  const std::string missing = folder.File("missing.bin");
  Load(missing);
  EXPECT_EQ(Errors(), std::vector<std::string>{"Erreur d'ouverture du fichier " + missing + "."});
  EXPECT_EQ(status, statusBefore);
  EXPECT_EQ(listing, listingBefore);
  EXPECT_FALSE(core.Running());
}

TEST_F(CommandCoreTest, EmptyingTheBufferDisablesTheDataCommands) {
  Load(File("in.bin", Noise(100)));
  Run(&CommandCore::Clear);
  EXPECT_EQ(status, "Buffer vidé");
  EXPECT_EQ(listing, kEmptyListing);
  EXPECT_EQ(enabled, kWithoutData);
}

// --- EEPROM size --------------------------------------------------------------------

TEST_F(CommandCoreTest, SizeChangeAnsweredNoKeepsChoiceDataCapacityAndPage) {
  Simulation& card = Attach("COM1", Card());
  const std::string path = File("in.bin", Noise(20));
  Load(path);
  dialogs.AnswerWarning(false);
  ChooseSize(0);
  EXPECT_EQ(dialogs.shown().back(),
            (ScriptedDialogs::Shown{"warning", "Avertissement",
                                    "Le contenu du buffer sera perdu.\rVoulez-vous continuer ?"}));
  EXPECT_EQ(sizesSelected, std::vector<int>{2});
  EXPECT_EQ(status, path + " (20 octets)");
  EXPECT_EQ(listing, ListingOf(Noise(20)));

  Run(&CommandCore::Write);  // still pages of 16
  EXPECT_EQ(Headers(TraceLines(card), kWriteHeader),
            (std::vector<std::string>{"host FF FB FF FF F7", "host FF FB FF F7 DF"}));
  Load(File("big.bin", Noise(10000)));  // still 8192 bytes
  EXPECT_EQ(status, folder.File("big.bin") + " (8192 octets)");
}

TEST_F(CommandCoreTest, SizeChangeAnsweredYesEmptiesTheDataAndTakesTheNewSize) {
  Simulation& card = Attach("COM1", Card());
  Load(File("in.bin", Noise(100)));
  dialogs.AnswerWarning(true);
  ChooseSize(0);
  EXPECT_EQ(status, "Buffer vidé");
  EXPECT_EQ(listing, kEmptyListing);
  EXPECT_EQ(sizesSelected, std::vector<int>{});

  Run(&CommandCore::Read);
  EXPECT_EQ(status, "Lecture OK (2048 octets)");
  Load(File("twenty.bin", Noise(20)));
  Run(&CommandCore::Write);  // pages of 8
  EXPECT_EQ(Headers(TraceLines(card), kWriteHeader),
            (std::vector<std::string>{"host FF FB FF FF EF", "host FF FB FF EF EF",
                                      "host FF FB FF F7 DF"}));
}

TEST_F(CommandCoreTest, SizeChangeWithoutDataAsksNothing) {
  Attach("COM1", Card());
  ChooseSize(1);
  Run(&CommandCore::Read);
  EXPECT_EQ(status, "Lecture OK (4096 octets)");
  EXPECT_TRUE(dialogs.shown().empty());
}

// --- Card commands ------------------------------------------------------------------

TEST_F(CommandCoreTest, ReadShowsTheWholeCardAndItsAtr) {
  const Simulation& card = Attach("COM1", Card());
  Run(&CommandCore::Read);
  EXPECT_EQ(status, "Lecture OK (8192 octets)");
  EXPECT_EQ(listing, ListingOf(card.Memory()));
  EXPECT_EQ(atrs, std::vector<std::string>{kGoodAtr});
  EXPECT_EQ(enabled, kAllEnabled);
  EXPECT_FALSE(port.Connected());
  EXPECT_TRUE(dialogs.shown().empty());
}

// By index as the window chooses, by name as the terminal does.
TEST_F(CommandCoreTest, CardCommandsUseTheChosenPort) {
  Attach("COM3", Card(Eeprom::k24C32));
  portIndex = 2;
  Run(&CommandCore::Read);
  EXPECT_EQ(status, "Lecture OK (8192 octets)");  // a 24C32 repeats itself
  EXPECT_EQ(port.Port(), "COM3");

  core.CardLink().PortName = [] { return std::string("COM4"); };
  Run(&CommandCore::Read);
  EXPECT_EQ(port.Port(), "COM4");
  EXPECT_EQ(Errors().size(), 1u);  // no card answers on COM4
  port.SetConnected(false);
}

TEST_F(CommandCoreTest, WriteThenVerifyOfALoadedFile) {
  const Simulation& card = Attach("COM1", Card());
  const std::string before = card.Memory();
  const std::string bytes = Noise(5000);
  Load(File("in.bin", bytes));
  Run(&CommandCore::Write);
  EXPECT_EQ(status, "Ecriture OK (5000 octets)");
  EXPECT_EQ(card.Memory(), bytes + before.substr(5000));
  Run(&CommandCore::Verify);
  EXPECT_EQ(status, "Vérification OK");
  EXPECT_EQ(core.Difference(), -1);
  EXPECT_EQ(listing, ListingOf(bytes));
  EXPECT_TRUE(Errors().empty());
}

TEST_F(CommandCoreTest, VerifyNamesTheFirstDifference) {
  const Simulation& card = Attach("COM1", Card());
  std::string bytes = card.Memory().substr(0, 0x300);
  bytes[0x1F0] = static_cast<char>(~bytes[0x1F0]);
  bytes[0x2FF] = static_cast<char>(~bytes[0x2FF]);
  Load(File("in.bin", bytes));
  Run(&CommandCore::Verify);
  EXPECT_EQ(status, "Echec vérification à l'adresse 0x01F0");
  EXPECT_EQ(listing, ListingOf(bytes));
}

// Three openings: the card read, only the differing page written, the card read back.
TEST_F(CommandCoreTest, WriteChangedWritesOnlyThePagesThatDiffer) {
  const Simulation& card = Attach("COM1", Card());
  std::string bytes = card.Memory().substr(0, 1000);
  bytes[0x123] = static_cast<char>(~bytes[0x123]);
  Load(File("in.bin", bytes));
  Run(&CommandCore::WriteChanged);
  EXPECT_EQ(status, "Ecriture OK (1 page écrite sur 63)");
  EXPECT_EQ(card.Memory().substr(0, 1000), bytes);
  const auto lines = TraceLines(card);
  EXPECT_EQ(CountLines(lines, "RTS on"), 3);
  EXPECT_EQ(Headers(lines, kWriteHeader), std::vector<std::string>{"host FF FB 7F FB F7"});  // 00 20 01 20 10
}

// Two backups in the same second: the second never replaces the first.
TEST(BackupFileName, NamesTheSizeAndTimeAndTakesNoExistingName) {
  const TempFolder folder;
  const std::string first = BackupFileName(folder.Path() + "/", "24C64", 0);
  EXPECT_TRUE(std::regex_match(first, std::regex(".*[^/]/carte-24C64-[0-9]{8}-[0-9]{6}\\.bin"))) << first;
  WriteWholeFile(first, "");
  EXPECT_EQ(BackupFileName(folder.Path(), "24C64", 0), first.substr(0, first.size() - 4) + "-2.bin");
}

TEST_F(CommandCoreTest, EraseWritesFFOverTheWholeCardAndReadsItBack) {
  const struct {
    std::map<std::uint16_t, std::uint8_t> stuck;
    std::string status;
    std::string ranges;
  } cases[] = {
      {{}, "Effacement OK", ""},
      {{{0, 0x00}}, "Echec effacement à l'adresse 0x0000", "0x0000-0x0000 (1 octet)\n"},
      {{{0x7FF, 0x12}}, "Echec effacement à l'adresse 0x07FF", "0x07FF-0x07FF (1 octet)\n"},
  };
  ChooseSize(0);
  const std::string bytes = Noise(100);
  Load(File("in.bin", bytes));
  for (const auto& c : cases) {
    ReaderSetup setup = Card(Eeprom::k24C16);
    setup.stuckCells = c.stuck;
    const Simulation& card = Attach("COM1", setup);
    Run(&CommandCore::Erase);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(RangesReport(core.Differences()), c.ranges);
    std::string expected(2048, '\xFF');
    for (const auto& [address, value] : c.stuck) expected[address] = static_cast<char>(value);
    EXPECT_EQ(card.Memory(), expected);
    // Two openings, each with its reset: 256 pages of 8 written, then 8 blocks read.
    const auto lines = TraceLines(card);
    EXPECT_EQ(CountLines(lines, "RTS on"), 2);
    const auto writes = Headers(lines, kWriteHeader);
    EXPECT_EQ(writes.size(), 256u);
    EXPECT_EQ(writes.back(), "host FF FB 1F E0 EF");  // 00 20 07 F8 08
    EXPECT_EQ(Headers(lines, kReadHeader).size(), 8u);
    EXPECT_EQ(listing, ListingOf(bytes));  // the working data is untouched
  }
  EXPECT_TRUE(Errors().empty());
}

TEST_F(CommandCoreTest, FailedReadWithoutDataKeepsTheDataCommandsOff) {
  Run(&CommandCore::Read);
  EXPECT_EQ(Errors(), std::vector<std::string>{"Aucune réponse, vérifiez le port."});
  EXPECT_EQ(status, "");
  EXPECT_EQ(listing, kEmptyListing);
  EXPECT_EQ(atrs, std::vector<std::string>{""});
  EXPECT_EQ(enabled, kWithoutData);
}

// --- One command at a time ----------------------------------------------------------

// Whenever a command lets messages run, no other starts, a size choice is put back, and
// the controls stay off for the length of a card command.
TEST_F(CommandCoreTest, WhileACommandRunsNoOtherStarts) {
  Simulation& card = Attach("COM1", Card());
  Load(File("in.bin", Noise(100)));
  std::vector<std::vector<bool>> enabledMeanwhile;
  toolkit.onMessages = [&] {
    enabledMeanwhile.push_back(enabled);
    for (auto command : {&CommandCore::Load, &CommandCore::Save, &CommandCore::Clear,
                         &CommandCore::Erase, &CommandCore::Write, &CommandCore::Verify,
                         &CommandCore::Read})
      EXPECT_FALSE((core.*command)());
    EXPECT_FALSE(core.ChooseSize(0));
  };
  Run(&CommandCore::Read);
  toolkit.onMessages = nullptr;
  EXPECT_FALSE(enabledMeanwhile.empty());
  for (const auto& controls : enabledMeanwhile) EXPECT_EQ(controls, std::vector<bool>(9, false));
  EXPECT_EQ(status, "Lecture OK (8192 octets)");
  EXPECT_EQ(CountLines(TraceLines(card), "RTS on"), 1);
  EXPECT_EQ(sizesSelected, std::vector<int>(enabledMeanwhile.size(), 2));
  EXPECT_EQ(dialogs.shown().size(), 1u);  // the open dialog of the load
  EXPECT_EQ(enabled, kAllEnabled);
  EXPECT_FALSE(core.Running());
}

}  // namespace
