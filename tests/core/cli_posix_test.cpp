// belvanto-cli's Linux side: device paths and --map for the port, the bar on a terminal.
#include <gmock/gmock.h>

#include <algorithm>

#include "support/cli_program.h"
#include "support/terminal_screen.h"

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

TEST_F(CliProgram, PortsByDevicePathOrMappedCom) {
  ExpectOutcomes({
      {{"--port", File("no-such-reader"), "atr"}, 2, "", "Port série invalide.\n"},
      {{"--map", "COM5=" + File("absent"), "--port", "COM5", "atr"}, 2, "",
       "Port série invalide.\n"},
      {{"--port", "COM0", "atr"}, 64, "",
       Usage("--port expects COMn (n from 1 to 96) or a device path, not \"COM0\"")},
      {{"--port", "ttyUSB0", "atr"}, 64, "",
       Usage("--port expects COMn (n from 1 to 96) or a device path, not \"ttyUSB0\"")},
      {{"--map", "COM1", "atr"}, 64, "",
       Usage("--map expects COMn=PATH with n from 1 to 96, not \"COM1\"")},
  });
  EXPECT_EQ(cli::ParseArguments({"--port=/dev/ttyUSB0", "atr"}).port, "/dev/ttyUSB0");
  EXPECT_THAT(cli::HelpText(), HasSubstr("  --port COMn|PATH "));
  EXPECT_THAT(cli::HelpText(), HasSubstr("  --map COMn=PATH "));
}

// Standard error on a terminal: the ATR line, then the bar redrawn in place on one line.
TEST_F(CliProgram, ProgressIsDrawnOnlyOnATerminalAndNotWhenQuiet) {
  test_support::TerminalScreen screen;
  const test_support::ProgramResult read = Cli({"--size", "24C16", "read", File("a.bin")}, screen.Terminal());
  EXPECT_EQ(read.status, 0);
  const std::string text = screen.Shown();
  EXPECT_THAT(text, StartsWith(kAtrLine + "\rLecture [" + std::string(30, '.') + "]   0%"));
  EXPECT_THAT(text, HasSubstr("\rLecture [" + std::string(30, '#') + "] 100%\x1b[K\n"));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << "one line for the bar";

  const test_support::ProgramResult quiet = Cli({"-q", "--size", "24C16", "read", File("b.bin")}, screen.Terminal());
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(screen.Shown(), "");
}

}  // namespace
