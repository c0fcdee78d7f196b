#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <chrono>
#include <gmock/gmock.h>
#include <thread>

#include "support/program_run.h"
#include "support/temp_folder.h"
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

}  // namespace
