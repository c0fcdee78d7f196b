#pragma once

#include <atomic>

#include "serial/driver/event.h"

// The platform's half of Interruption: how the user's request to stop reaches the
// program (signals on Linux, console control events on Windows).
namespace cli::interrupt_catch {

// Until Release: the first request to stop raises `requested` and sets `wake`, both of
// which must outlive the process's handling; a later one takes the platform's default
// action, which ends the program at once.
void Catch(std::atomic<bool>& requested, const driver::WakeEvent& wake);
// Gives back the handling that was in place before Catch.
void Release();

// The requests to stop, as the help names them.
extern const char* const kStopRequests;

}  // namespace cli::interrupt_catch
