// belvanto-cli's Windows side: COMn and \\.\COMn for the port, no --map, arguments
// that arrive in UTF-16, and Ctrl+C through the console.
#include <windows.h>

#include <gmock/gmock.h>

#include <cstdio>
#include <future>
#include <thread>

#include "support/cli_program.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

TEST_F(CliProgram, PortsByComNameOnly) {
  ExpectOutcomes({
      {{"--port", "\\\\.\\COM1", "-q", "atr"}, 0, "3F 67 2F 00 11 14 00 03 68 90 00\n", ""},
      {{"--port", "\\\\.\\com2", "atr"}, 2, "", "Aucune réponse, vérifiez le port.\n"},
      {{"--port", "\\\\.\\COM0", "atr"}, 64, "",
       Usage("--port expects COMn or \\\\.\\COMn (n from 1 to 96), not \"\\\\.\\COM0\"")},
      {{"--port", "/dev/ttyUSB0", "atr"}, 64, "",
       Usage("--port expects COMn or \\\\.\\COMn (n from 1 to 96), not \"/dev/ttyUSB0\"")},
      {{"--map", "COM5=COM1", "atr"}, 64, "",
       Usage("--map is not taken on Windows, where COMn is the device itself")},
  });
  EXPECT_THAT(cli::HelpText(), HasSubstr("  --port COMn          "));
  EXPECT_THAT(cli::HelpText(), Not(HasSubstr("--map")));
}

// The name reaches the program as UTF-16 and the file system as UTF-16 again (λ has
// no place in an ANSI code page, which would turn it into an invalid "?"); the messages
// carry it in UTF-8.
TEST_F(CliProgram, FileNamesInUnicode) {
  ExpectOutcomes({
      {{"read", File("lu-é-λ.bin")}, 0, "Lecture OK (8192 octets)\n", kAtrLine},
      {{"verify", File("lu-é-λ.bin")}, 0, "Vérification OK\n", kAtrLine},
      {{"dump", File("absent-é-λ.bin")}, 2, "",
       "Erreur d'ouverture du fichier " + File("absent-é-λ.bin") + ".\n"},
  });
}

BOOL WINAPI IgnoreControlEvent(DWORD) { return TRUE; }

// A process has no signals on Windows: Ctrl+C reaches every process of a console. The
// test takes a console of its own (under Wine the one a program starts with takes no
// control events), ignores the event itself and sends it once the read is under way:
// its ATR line is out, so the program's handler is in place (before it, the default
// handler would end the program, and a Wine start may take seconds on a busy machine).
TEST_F(CliProgram, CtrlCStopsTheCardCommandAndKeepsTheFile) {
  WriteWholeFile(File("keep.bin"), "contenu précieux");
  FILE* errors = std::fopen(File("errors.txt").c_str(), "wb");
  ASSERT_NE(errors, nullptr);
  ::FreeConsole();
  ASSERT_TRUE(::AllocConsole());
  ::SetConsoleCtrlHandler(&IgnoreControlEvent, TRUE);
  auto run = std::async(std::launch::async, [&] {
    return test_support::RunProgram(test_support::BuiltProgram("belvanto-cli"),
                                    {"--simulate=" + Card(), "read", File("keep.bin")},
                                    _fileno(errors));
  });
  const auto giveUp = std::chrono::steady_clock::now() + test_support::kProgramTimeLimit;
  while (ReadWholeFile(File("errors.txt")).empty() && std::chrono::steady_clock::now() < giveUp)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
  const test_support::ProgramResult result = run.get();
  ::SetConsoleCtrlHandler(&IgnoreControlEvent, FALSE);
  std::fclose(errors);
  EXPECT_EQ(result.status, 130);
  EXPECT_EQ(ReadWholeFile(File("errors.txt")), kAtrLine + "Opération interrompue.\n");
  EXPECT_EQ(ReadWholeFile(File("keep.bin")), "contenu précieux");
}

}  // namespace
