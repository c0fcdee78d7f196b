#include "serial/driver/win32/windows_api.h"

#include <system_error>
#include <vector>

#include "serial/driver/event.h"
#include "serial/driver/win32/wait_time.h"

namespace driver {

WakeEvent::WakeEvent(bool initiallySet)
    : handle_(::CreateEventW(nullptr, TRUE, initiallySet ? TRUE : FALSE, nullptr)) {
  if (handle_ == nullptr)
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "CreateEvent");
}

WakeEvent::~WakeEvent() { ::CloseHandle(handle_); }

void WakeEvent::Set() { ::SetEvent(handle_); }

void WakeEvent::Reset() { ::ResetEvent(handle_); }

bool WakeEvent::IsSet() const { return ::WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0; }

void WaitForAny(std::span<const WakeEvent* const> events,
                std::optional<std::chrono::nanoseconds> timeout) {
  std::vector<HANDLE> handles;
  for (const WakeEvent* event : events)
    if (event) handles.push_back(event->Native());
  WaitForHandles(handles, timeout);
}

}  // namespace driver
