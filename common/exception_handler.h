#pragma once

#include <exception>
#include <functional>

// The application-wide exception handler: where errors go that no caller can receive
// (an open failing in Loaded, an event handler failing on the event thread). The
// window installs its message box here; by default the message goes to standard error.
namespace appexceptions {

using Handler = std::function<void(std::exception_ptr error)>;

void SetHandler(Handler handler);  // empty restores the default
// Never raises: what the handler raises is dropped and `error` goes to standard error.
void Report(std::exception_ptr error) noexcept;

}  // namespace appexceptions
