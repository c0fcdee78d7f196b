#include "serial/driver/posix/line_watch.h"

#include <pthread.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <functional>
#include <mutex>

#include "serial/driver/records.h"

namespace driver::posix {

namespace {

// How soon the stop signal is sent again: one that arrives between the thread's look at
// the stop flag and its entry into the kernel's wait is lost.
constexpr std::chrono::milliseconds kResendAfter{1};

class TtyLines : public ModemLineSource {
 public:
  explicit TtyLines(int fd) : fd_(fd) {}
  int ReadCounters(LineCounters& counters) override { return ReadLineCounters(fd_, counters); }
  int WaitForChange(int lines) override {
    return ::ioctl(fd_, TIOCMIWAIT, lines) == 0 ? 0 : errno;
  }

 private:
  const int fd_;
};

int TiocmLines(std::uint32_t events) {
  int lines = 0;
  if (events & EV_CTS) lines |= TIOCM_CTS;
  if (events & EV_DSR) lines |= TIOCM_DSR;
  if (events & EV_RING) lines |= TIOCM_RNG;
  if (events & EV_RLSD) lines |= TIOCM_CD;
  return lines;
}

void InstallSignalHandler() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    struct sigaction action{};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: the interrupted wait must return
    ::sigaction(LineWatchSignal(), &action, nullptr);
  });
}

// The watch takes none of the program's own signals, which then reach the threads that
// expect them: it starts with every signal blocked and lets in only its stop signal.
std::thread StartWithSignalsBlocked(const std::function<void()>& body) {
  sigset_t all, previous;
  sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &previous);
  try {
    std::thread thread(body);
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return thread;
  } catch (...) {
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    throw;
  }
}

void UnblockStopSignal() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, LineWatchSignal());
  ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

}  // namespace

std::unique_ptr<ModemLineSource> TtyModemLines(int fd) {
  int lines = 0;
  if (::ioctl(fd, TIOCMGET, &lines) != 0) return nullptr;
  LineCounters counters;
  if (ReadLineCounters(fd, counters) != 0 || !counters.available) return nullptr;
  return std::make_unique<TtyLines>(fd);
}

int LineWatchSignal() { return SIGRTMIN + 5; }

LineWatch::LineWatch(ModemLineSource& source, std::uint32_t events, WakeEvent& moved)
    : source_(source), events_(events), moved_(moved) {
  InstallSignalHandler();
  thread_ = StartWithSignalsBlocked([this] { Run(); });
}

LineWatch::~LineWatch() {
  stop_ = true;
  do {
    ::pthread_kill(thread_.native_handle(), LineWatchSignal());
  } while (!ended_.Wait(kResendAfter));
  thread_.join();
}

// A wait that fails (the device went away, or its driver has no such wait) ends the
// watch: the lines are then not reported, as on a device without them.
void LineWatch::Run() {
  UnblockStopSignal();
  LineCounters seen;
  if (source_.ReadCounters(seen) == 0) {
    while (!stop_) {
      const int error = source_.WaitForChange(TiocmLines(events_));
      if (error != 0 && error != EINTR) break;
      if (!Look(seen)) break;
    }
  }
  ended_.Set();
}

bool LineWatch::Look(LineCounters& seen) {
  LineCounters now;
  if (source_.ReadCounters(now) != 0) return false;
  if (ModemEventsBetween(seen, now) & events_) moved_.Set();
  seen = now;
  return true;
}

}  // namespace driver::posix
