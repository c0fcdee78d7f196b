#include "apps/cli/cli.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <random>
#include <regex>

#include "card/atr_explanation.h"
#include "card/card_link.h"
#include "support/cli_program.h"

namespace fs = std::filesystem;
using test_support::ProgramResult;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

std::string RandomBytes(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

struct SizeCase {
  const char* name;
  std::size_t capacity;
};

void PrintTo(const SizeCase& size, std::ostream* out) { *out << size.name; }

class CliRoundTrip : public CliProgram, public ::testing::WithParamInterface<SizeCase> {};

// Erase, write, verify and read back through the card image, as a user would; the card
// beyond the chosen size keeps what it held.
TEST_P(CliRoundTrip, EraseWriteVerifyReadGiveBackTheSameBytes) {
  const auto [size, capacity] = GetParam();
  const std::string before = RandomBytes(8192, 1);
  const std::string data = RandomBytes(capacity, 2);
  WriteWholeFile(Card(), before);
  WriteWholeFile(File("data.bin"), data);
  const std::string count = std::to_string(capacity);

  const ProgramResult erase = Cli({"--size", size, "erase"});
  EXPECT_EQ(erase.status, 0);
  EXPECT_EQ(erase.out, "Effacement OK\n");
  EXPECT_EQ(erase.err, kAtrLine + kAtrLine) << "written, then read back after a reset";
  EXPECT_EQ(ReadWholeFile(Card()), std::string(capacity, '\xFF') + before.substr(capacity));

  const ProgramResult write = Cli({"--size", size, "write", File("data.bin")});
  EXPECT_EQ(write.status, 0);
  EXPECT_EQ(write.out, "Ecriture OK (" + count + " octets)\n");
  EXPECT_EQ(write.err, kAtrLine);
  EXPECT_EQ(ReadWholeFile(Card()), data + before.substr(capacity));

  const ProgramResult verify = Cli({"--size", size, "verify", File("data.bin")});
  EXPECT_EQ(verify.status, 0);
  EXPECT_EQ(verify.out, "Vérification OK\n");

  const ProgramResult read = Cli({"--size", size, "read", File("back.bin")});
  EXPECT_EQ(read.status, 0);
  EXPECT_EQ(read.out, "Lecture OK (" + count + " octets)\n");
  EXPECT_EQ(read.err, kAtrLine);
  EXPECT_EQ(ReadWholeFile(File("back.bin")), data);
}

INSTANTIATE_TEST_SUITE_P(EachSize, CliRoundTrip,
                         ::testing::Values(SizeCase{"24C16", 2048}, SizeCase{"24C32", 4096},
                                           SizeCase{"24C64", 8192}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliProgram, EachReaderScenarioGivesItsMessageAndStatus) {
  ExpectOutcomes({
      {{"atr"}, 0, "3F 67 2F 00 11 14 00 03 68 90 00\n", kAtrLine},
      {{"--quiet", "atr"}, 0, "3F 67 2F 00 11 14 00 03 68 90 00\n", ""},
      {{"--port", "COM2", "atr"}, 2, "", "Aucune réponse, vérifiez le port.\n"},
      {{"--port", "com2", "erase"}, 2, "", "Aucune réponse, vérifiez le port.\n"},
      {{"--port", "COM3", "atr"}, 2, "",
       "ATR : 3F 65 25 08 31 04 6C 90 00\nATR non reconnu : carte non valide.\n"},
      {{"-q", "--port", "COM3", "erase"}, 2, "", "ATR non reconnu : carte non valide.\n"},
      {{"--port", "COM4", "atr"}, 2, "", "Port série occupé.\n"},
  });
}

TEST_F(CliProgram, VerifyReportsTheFirstDifferentAddressAndExits1) {
  const std::string card = RandomBytes(8192, 3);
  WriteWholeFile(Card(), card);
  std::string file = card.substr(0, 1000);
  file[0x1F0] = static_cast<char>(~file[0x1F0]);
  file[0x300] = static_cast<char>(~file[0x300]);
  WriteWholeFile(File("data.bin"), file);

  const ProgramResult result = Cli({"verify", File("data.bin")});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "Echec vérification à l'adresse 0x01F0\n"
                        "0x01F0-0x01F0 (1 octet)\n0x0300-0x0300 (1 octet)\n");
  EXPECT_EQ(result.err, kAtrLine);
  EXPECT_EQ(ReadWholeFile(Card()), card) << "verify only reads";

  const ProgramResult diff = Cli({"verify", "--diff", File("data.bin")});
  EXPECT_EQ(diff.status, 1);
  EXPECT_THAT(diff.out, HasSubstr("(1 octet)\n        carte "));
  EXPECT_THAT(diff.out, HasSubstr("\n0x01F0  " + BytesToHex(card.substr(0x1F0, 16)) + " | " +
                                  BytesToHex(file.substr(0x1F0, 16)) + "\n        ^^ "));

  // Only the chosen size counts: a longer file is cut, as loading it in the window does.
  std::string longer = card.substr(0, 3000);
  longer[2500] = static_cast<char>(~longer[2500]);
  WriteWholeFile(File("long.bin"), longer);
  const ProgramResult cut = Cli({"--size", "24C16", "verify", File("long.bin")});
  EXPECT_EQ(cut.status, 0);
  EXPECT_EQ(cut.out, "Vérification OK\n");
}

TEST_F(CliProgram, WriteCutsALongFileAndRefusesAnEmptyOne) {
  const std::string card = RandomBytes(8192, 4);
  WriteWholeFile(Card(), card);
  const std::string file = RandomBytes(3000, 5);
  WriteWholeFile(File("long.bin"), file);
  WriteWholeFile(File("empty.bin"), "");

  const ProgramResult cut = Cli({"--size", "24C16", "write", File("long.bin")});
  EXPECT_EQ(cut.status, 0);
  EXPECT_EQ(cut.out, "Ecriture OK (2048 octets)\n");
  EXPECT_EQ(ReadWholeFile(Card()), file.substr(0, 2048) + card.substr(2048));

  const struct {
    const char* command;
    const char* message;
  } empties[] = {{"write", "Buffer vide : rien à écrire.\n"},
                 {"verify", "Buffer vide : rien à vérifier.\n"}};
  for (const auto& c : empties) {
    SCOPED_TRACE(c.command);
    const ProgramResult result = Cli({c.command, File("empty.bin")});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, c.message) << "refused before the card is reset";
  }
  EXPECT_EQ(ReadWholeFile(Card()), file.substr(0, 2048) + card.substr(2048));

  const ProgramResult missing = Cli({"write", File("missing.bin")});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "Erreur d'ouverture du fichier " + File("missing.bin") + ".\n");
}

// Whatever stops a read, the file it was to fill keeps its old bytes, and nothing else
// appears beside it.
TEST_F(CliProgram, FailedReadLeavesAnExistingFileUntouched) {
  const std::string old = "contenu précieux";
  WriteWholeFile(File("keep.bin"), old);
  for (const char* port : {"COM2", "COM3", "COM4"}) {
    SCOPED_TRACE(port);
    const ProgramResult result = Cli({"--port", port, "read", File("keep.bin")});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(ReadWholeFile(File("keep.bin")), old);
  }
  const ProgramResult noFolder = Cli({"read", File("no-folder/card.bin")});
  EXPECT_EQ(noFolder.status, 2);
  EXPECT_EQ(noFolder.out, "") << "no success reported for a file that was not written";
  EXPECT_EQ(noFolder.err, kAtrLine + "Erreur de creation du fichier " + File("no-folder/card.bin") + ".\n");

  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder.Path()))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"keep.bin"});
}

// The card as it was is saved before the one changed page is written; a backup that
// cannot be made leaves the card untouched.
TEST_F(CliProgram, WriteBacksUpTheCardThenWritesOnlyTheChangedPages) {
  const std::string card = RandomBytes(8192, 7);
  WriteWholeFile(Card(), card);
  std::string file = card;
  file[0x1234] = static_cast<char>(~file[0x1234]);
  WriteWholeFile(File("data.bin"), file);
  fs::create_directory(File("saved"));

  const ProgramResult write =
      Cli({"-q", "write", "--backup", File("saved"), "--changed-only", File("data.bin")});
  EXPECT_EQ(write.status, 0);
  // std::regex: GoogleTest's own on Windows knows no brackets.
  EXPECT_TRUE(std::regex_match(
      write.out, std::regex("Sauvegarde OK : .*/saved/carte-24C64-[0-9]{8}-[0-9]{6}\\.bin \\(8192 "
                            "octets\\)\nEcriture OK \\(1 page écrite sur 512\\)\n")))
      << write.out;
  EXPECT_EQ(ReadWholeFile(Card()), file);
  const auto backup = fs::directory_iterator(File("saved"))->path().string();
  EXPECT_EQ(ReadWholeFile(backup), card);

  const std::string missing = File("missing");
  for (const auto& args : {std::vector<std::string>{"write", "--backup", missing, File("data.bin")},
                           {"erase", "--backup", missing}}) {
    SCOPED_TRACE(args[0]);
    const ProgramResult refused = Cli(args);
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "Dossier de sauvegarde introuvable : " + missing + ".\n") << "no reset";
    EXPECT_EQ(ReadWholeFile(Card()), file);
  }
}

TEST_F(CliProgram, AtrExplainedAlsoForACardThatIsRefused) {
  ExpectOutcomes({
      {{"-q", "atr", "--explain"}, 0,
       "3F 67 2F 00 11 14 00 03 68 90 00\n" +
           ExplainAtr(HexToBytes("3F 67 2F 00 11 14 00 03 68 90 00")), ""},
      {{"-q", "--port", "COM3", "atr", "--explain"}, 2,
       ExplainAtr(HexToBytes("3F 65 25 08 31 04 6C 90 00")),
       "ATR non reconnu : carte non valide.\n"},
  });
}

TEST_F(CliProgram, BadUsagePrintsTheReasonAndTheUsageAndExits64) {
  const struct {
    std::vector<std::string> args;
    std::string reason;
  } cases[] = {
      {{}, "no command given"},
      {{"format"}, "unknown command \"format\""},
      {{"READ", "x.bin"}, "unknown command \"READ\""},
      {{"read"}, "read needs a FILE"},
      {{"dump"}, "dump needs a FILE"},
      {{"atr", "x.bin"}, "unexpected argument \"x.bin\""},
      {{"read", "a.bin", "b.bin"}, "unexpected argument \"b.bin\""},
      {{"--size", "24C08", "atr"}, "--size expects 24C16, 24C32 or 24C64, not \"24C08\""},
      {{"--size=", "atr"}, "--size expects 24C16, 24C32 or 24C64, not \"\""},
      {{"atr", "--port"}, "--port needs a value"},
      {{"--sim-speed", "0", "atr"}, "--sim-speed expects a positive number, not \"0\""},
      {{"--verbose", "atr"}, "unknown option \"--verbose\""},
      {{"--explain", "read", "x.bin"}, "--explain applies to atr only"},
      {{"--diff", "write", "x.bin"}, "--diff applies to verify and erase only"},
      {{"--backup", "d", "verify", "x.bin"}, "--backup applies to write and erase only"},
      {{"--backup=", "erase"}, "--backup needs a folder"},
      {{"--changed-only", "erase"}, "--changed-only applies to write only"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const ProgramResult result = Cli(c.args);
    EXPECT_EQ(result.status, 64);
    EXPECT_EQ(result.out, "");
    EXPECT_THAT(result.err, StartsWith("belvanto-cli: " + c.reason +
                                       "\n\nUsage: belvanto-cli [OPTION]... COMMAND [FILE]\n"));
  }
}

TEST_F(CliProgram, HelpGoesToStandardOutput) {
  const ProgramResult result = Cli({"--help"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_THAT(result.out, StartsWith("Usage: belvanto-cli [OPTION]... COMMAND [FILE]\n"));
  for (const char* line : {"  dump FILE ", "  --simulate[=IMAGE] ",
                           "  -q, --quiet ", "  64  bad command line\n"})
    EXPECT_THAT(result.out, HasSubstr(line));
}

TEST_F(CliProgram, SimulatedCardImageOfTheWrongSizeIsAnError) {
  WriteWholeFile(Card(), std::string(100, '\0'));
  const ProgramResult result = Cli({"atr"});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err, "Simulated card image \"" + Card() +
                            "\" holds 100 bytes; a 24C64 card holds 8192.\n");
}

TEST_F(CliProgram, DumpListsTheFileWithItsCharactersAsWindows1252) {
  WriteWholeFile(File("text.bin"), std::string("Belvanto\xE9\x80\x7F\x81\x0A\x20\xFF", 15) + "0123");
  const ProgramResult result = Cli({"dump", File("text.bin")});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  // The character column starts at column 54 on every line.
  EXPECT_EQ(result.out, "0000: 42 65 6C 76 61 6E 74 6F E9 80 7F 81 0A 20 FF 30 Belvantoé€... ÿ0\n"
                        "0010: 31 32 33" + std::string(40, ' ') + "123\n");

  WriteWholeFile(File("big.bin"), RandomBytes(3000, 6));
  const ProgramResult cut = Cli({"--size", "24C16", "dump", File("big.bin")});
  EXPECT_EQ(cut.status, 0);
  // 128 full lines, then the line of the offset alone that every full image ends with.
  EXPECT_EQ(std::count(cut.out.begin(), cut.out.end(), '\n'), 129);
  EXPECT_THAT(cut.out, ::testing::EndsWith("\n0800:" + std::string(49, ' ') + "\n"));

  const ProgramResult missing = Cli({"dump", File("missing.bin")});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "Erreur d'ouverture du fichier " + File("missing.bin") + ".\n");
}

TEST(CliArguments, OptionsMayFollowTheCommandAndDashesEndThem) {
  const cli::Invocation late = cli::ParseArguments({"read", "a.bin", "--size=24c32", "-q", "--port", "com3"});
  EXPECT_EQ(late.command, cli::Command::Read);
  EXPECT_EQ(late.file, "a.bin");
  EXPECT_STREQ(late.size.name, "24C32");
  EXPECT_EQ(late.size.pageSize, 16);
  EXPECT_TRUE(late.quiet);
  EXPECT_EQ(late.port, "COM3");

  const cli::Invocation dashed = cli::ParseArguments({"--port=COM2", "write", "--", "-odd.bin"});
  EXPECT_EQ(dashed.command, cli::Command::Write);
  EXPECT_EQ(dashed.file, "-odd.bin");
  EXPECT_EQ(dashed.port, "COM2");

  const cli::Invocation defaults = cli::ParseArguments({"erase"});
  EXPECT_EQ(defaults.port, "COM1");
  EXPECT_EQ(defaults.size.capacity, 8192);
  EXPECT_FALSE(defaults.quiet);

  EXPECT_TRUE(cli::ParseArguments({"--help", "no-such-command"}).help);
}

}  // namespace
