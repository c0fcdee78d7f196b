// belvanto-cli's Linux side: signals, the bar on a terminal, device paths and --map.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <algorithm>
#include <chrono>
#include <gmock/gmock.h>
#include <thread>

#include "support/cli_program.h"
#include "support/terminal_screen.h"

extern char** environ;

namespace {

// belvanto-cli in real time, with both outputs on the terminal `screen`.
pid_t StartCli(std::vector<std::string> args, int screen) {
  args.insert(args.begin(), {test_support::BuiltProgram("belvanto-cli"), "--sim-speed", "1"});
  std::vector<char*> argv(args.size() + 1, nullptr);
  for (std::size_t i = 0; i < args.size(); ++i) argv[i] = args[i].data();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, screen, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, screen, STDERR_FILENO);
  pid_t pid = -1;
  if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Collects the screen until `done` holds; false, with the program killed, after 20 s.
template <typename Done>
bool WatchUntil(pid_t pid, test_support::TerminalScreen& screen, std::string& shown, Done done) {
  for (const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
       std::chrono::steady_clock::now() < limit;) {
    const bool finished = done();
    shown += screen.Shown();
    if (finished) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return false;
}

// The signal comes once the bar shows a time left (two blocks or pages done) of many seconds.
TEST(CliInterrupt, SignalStopsTheCardCommandEndsTheBarAndKeepsTheFile) {
  TempFolder folder;
  WriteWholeFile(folder.File("keep.bin"), "contenu précieux");
  WriteWholeFile(folder.File("data.bin"), std::string(8192, 'D'));
  const struct { const char* command; const char* file; int signal; } cases[] = {
      {"read", "keep.bin", SIGINT}, {"write", "data.bin", SIGTERM}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    WriteWholeFile(folder.File("card.img"), std::string(8192, '\0'));
    test_support::TerminalScreen screen;
    const pid_t pid =
        StartCli({"--simulate=" + folder.File("card.img"), c.command, folder.File(c.file)}, screen.Terminal());
    ASSERT_GT(pid, 0);
    std::string shown;
    ASSERT_TRUE(WatchUntil(pid, screen, shown, [&] { return shown.find("reste") != std::string::npos; }));
    ::kill(pid, c.signal);
    int status = 0;
    ASSERT_TRUE(WatchUntil(pid, screen, shown, [&] { return ::waitpid(pid, &status, WNOHANG) == pid; }));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << "wait status " << status;
    EXPECT_THAT(shown, ::testing::EndsWith("\x1b[K\nOpération interrompue.\n")) << "the bar's line ended first";
    EXPECT_EQ(ReadWholeFile(folder.File("keep.bin")), "contenu précieux");
    EXPECT_NE(ReadWholeFile(folder.File("card.img")).back(), 'D') << "stopped before the last page";
  }
}

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
  EXPECT_THAT(cli::HelpText(), ::testing::HasSubstr("  --port COMn|PATH "));
  EXPECT_THAT(cli::HelpText(), ::testing::HasSubstr("  --map COMn=PATH "));
}

// Standard error on a terminal: the ATR line, then the bar redrawn in place on one line.
TEST_F(CliProgram, ProgressIsDrawnOnlyOnATerminalAndNotWhenQuiet) {
  test_support::TerminalScreen screen;
  const test_support::ProgramResult read = Cli({"--size", "24C16", "read", File("a.bin")}, screen.Terminal());
  EXPECT_EQ(read.status, 0);
  const std::string text = screen.Shown();
  EXPECT_THAT(text, ::testing::StartsWith(kAtrLine + "\rLecture [" + std::string(30, '.') + "]   0%"));
  EXPECT_THAT(text, ::testing::HasSubstr("\rLecture [" + std::string(30, '#') + "] 100%\x1b[K\n"));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << "one line for the bar";

  const test_support::ProgramResult quiet = Cli({"-q", "--size", "24C16", "read", File("b.bin")}, screen.Terminal());
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(screen.Shown(), "");
}

}  // namespace
