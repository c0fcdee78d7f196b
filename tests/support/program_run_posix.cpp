#include "program_run.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace test_support {

namespace {

using Clock = std::chrono::steady_clock;

struct Pipe {
  Pipe() {
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  void CloseRead() { Close(fds[0]); }
  void CloseWrite() { Close(fds[1]); }
  static void Close(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  int fds[2] = {-1, -1};
};

// Reads both pipes to their end at once, so that neither writer blocks on a full pipe;
// stops at `deadline`.
void Drain(Pipe& out, std::string& outText, Pipe& err, std::string& errText, Clock::time_point deadline) {
  pollfd fds[2] = {{out.fds[0], POLLIN, 0}, {err.fds[0], POLLIN, 0}};
  std::string* texts[2] = {&outText, &errText};
  while (fds[0].fd >= 0 || fds[1].fd >= 0) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return;
    if (::poll(fds, 2, static_cast<int>(left.count())) < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error("poll failed");
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char chunk[4096];
      const ssize_t n = ::read(fds[i].fd, chunk, sizeof chunk);
      if (n > 0) texts[i]->append(chunk, static_cast<std::size_t>(n));
      else if (n == 0 || errno != EINTR) fds[i].fd = -1;  // a negative fd is not polled
    }
  }
}

}  // namespace

std::string BuiltProgram(const std::string& name) {
  if (const char* folder = std::getenv("BELVANTO_TEST_BIN")) return std::string(folder) + "/" + name;
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / name).string();
}

int AwaitChild(pid_t pid, const std::string& name, Clock::time_point deadline) {
  int status = 0;
  for (;;) {
    const pid_t ended = ::waitpid(pid, &status, WNOHANG);
    if (ended == pid) break;
    if (ended < 0 && errno != EINTR) throw std::runtime_error("waitpid failed");
    if (Clock::now() >= deadline) {
      ::kill(pid, SIGKILL);
      ADD_FAILURE() << name << " was still running at its time limit and was killed";
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         int errorFd, std::chrono::seconds limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  Pipe out;
  Pipe err;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out.fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errorFd >= 0 ? errorFd : err.fds[1], STDERR_FILENO);

  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + program);

  out.CloseWrite();
  err.CloseWrite();
  ProgramResult result;
  Drain(out, result.out, err, result.err, deadline);
  result.status = AwaitChild(pid, program, deadline);
  return result;
}

}  // namespace test_support
