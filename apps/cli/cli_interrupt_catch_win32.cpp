#include <windows.h>

#include "apps/cli/cli_interrupt_catch.h"

// Ctrl+C, Ctrl+Break and closing the console window. Windows runs the handler on a
// thread of its own, so it may do more than a signal handler; it still only raises the
// flag and sets the event, as the POSIX half does.
namespace cli::interrupt_catch {

namespace {

std::atomic<std::atomic<bool>*> requestedFlag{nullptr};
std::atomic<HANDLE> wakeHandle{nullptr};

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
    return FALSE;
  std::atomic<bool>* const requested = requestedFlag.load();
  // The second request goes on to the default handler, which ends the process.
  if (requested == nullptr || requested->exchange(true)) return FALSE;
  ::SetEvent(wakeHandle.load());
  return TRUE;
}

}  // namespace

void Catch(std::atomic<bool>& requested, const driver::WakeEvent& wake) {
  requestedFlag = &requested;
  wakeHandle = wake.Native();
  ::SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
}

void Release() { ::SetConsoleCtrlHandler(&OnConsoleEvent, FALSE); }

const char* const kStopRequests = "Ctrl+C or Ctrl+Break";

}  // namespace cli::interrupt_catch
