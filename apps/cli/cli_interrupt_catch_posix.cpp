#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <iterator>

#include "apps/cli/cli_interrupt_catch.h"

// SIGINT (Ctrl+C) and SIGTERM.
namespace cli::interrupt_catch {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM};

std::atomic<std::atomic<bool>*> requestedFlag{nullptr};
std::atomic<int> signalFd{-1};  // the wake event's, for the handler
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free &&
                  std::atomic<std::atomic<bool>*>::is_always_lock_free,
              "used by a signal handler");

struct sigaction previous[std::size(kSignals)];
// A signal that was ignored (a job started in the background) stays ignored.
bool handled[std::size(kSignals)];

// Async-signal-safe calls only.
extern "C" void OnSignal(int) {
  const int savedErrno = errno;
  requestedFlag.load()->store(true);
  for (std::size_t i = 0; i < std::size(kSignals); ++i)
    if (handled[i]) ::signal(kSignals[i], SIG_DFL);
  const std::uint64_t one = 1;
  (void)!::write(signalFd.load(), &one, sizeof one);
  errno = savedErrno;
}

}  // namespace

void Catch(std::atomic<bool>& requested, const driver::WakeEvent& wake) {
  requestedFlag = &requested;
  signalFd = wake.Native();
  struct sigaction action {};
  action.sa_handler = &OnSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    ::sigaction(kSignals[i], nullptr, &previous[i]);
    handled[i] = previous[i].sa_handler != SIG_IGN;
    if (handled[i]) ::sigaction(kSignals[i], &action, nullptr);
  }
}

void Release() {
  for (std::size_t i = 0; i < std::size(kSignals); ++i)
    if (handled[i]) ::sigaction(kSignals[i], &previous[i], nullptr);
}

const char* const kStopRequests = "Ctrl+C (SIGINT) or SIGTERM";

}  // namespace cli::interrupt_catch
