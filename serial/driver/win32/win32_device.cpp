#include "serial/driver/win32/win32_device.h"

#include "common/windows_text.h"
#include "serial/driver/directory.h"
#include "serial/driver/errors.h"
#include "serial/driver/win32/wait_time.h"
#include "serial/driver/win32/win32_transfer.h"

namespace driver {

bool IsBusyError(int error) { return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION; }

int BusyError() { return ERROR_ACCESS_DENIED; }

int OpenSystemDevice(const std::string& path, std::shared_ptr<Device>& device) {
  return win32::Win32Device::Open(path, device);
}

namespace win32 {

namespace {

// Our record keeps the flag word whole; Windows spells it as bit fields.
::DCB WindowsDcb(const DCB& dcb) {
  ::DCB out{};
  out.DCBlength = sizeof out;
  out.BaudRate = dcb.BaudRate;
  const auto flag = [&](std::uint32_t bit) { return (dcb.Flags & bit) != 0 ? 1u : 0u; };
  out.fBinary = flag(FlagBinary);
  out.fParity = flag(FlagParity);
  out.fOutxCtsFlow = flag(FlagOutxCtsFlow);
  out.fOutxDsrFlow = flag(FlagOutxDsrFlow);
  out.fDtrControl = DtrControl(dcb.Flags);
  out.fDsrSensitivity = flag(FlagDsrSensitivity);
  out.fTXContinueOnXoff = flag(FlagTXContinueOnXoff);
  out.fOutX = flag(FlagOutX);
  out.fInX = flag(FlagInX);
  out.fErrorChar = flag(FlagErrorChar);
  out.fNull = flag(FlagNull);
  out.fRtsControl = RtsControl(dcb.Flags);
  out.fAbortOnError = flag(FlagAbortOnError);
  out.wReserved = dcb.wReserved;
  out.XonLim = dcb.XonLim;
  out.XoffLim = dcb.XoffLim;
  out.ByteSize = dcb.ByteSize;
  out.Parity = dcb.Parity;
  out.StopBits = dcb.StopBits;
  out.XonChar = dcb.XonChar;
  out.XoffChar = dcb.XoffChar;
  out.ErrorChar = dcb.ErrorChar;
  out.EofChar = dcb.EofChar;
  out.EvtChar = dcb.EvtChar;
  out.wReserved1 = dcb.wReserved1;
  return out;
}

int Checked(BOOL ok) { return ok ? 0 : static_cast<int>(::GetLastError()); }

}  // namespace

int Win32Device::Open(const std::string& path, std::shared_ptr<Device>& device) {
  const auto wide = Utf8ToWide(path);
  if (!wide) return ERROR_INVALID_NAME;
  const HANDLE handle = ::CreateFileW(wide->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return static_cast<int>(::GetLastError());
  device = std::shared_ptr<Device>(new Win32Device(handle));
  return 0;
}

Win32Device::~Win32Device() { Close(); }

template <typename Call>
int Win32Device::WithHandle(Call&& call) {
  PortHandle::Lease lease(*port_);
  if (!lease) return kClosed;
  return Checked(call(lease.Handle()));
}

int Win32Device::SetQueueSizes(std::uint32_t input, std::uint32_t output) {
  return WithHandle([&](HANDLE handle) { return ::SetupComm(handle, input, output); });
}

int Win32Device::SetState(const DCB& dcb) {
  ::DCB windows = WindowsDcb(dcb);
  return WithHandle([&](HANDLE handle) { return ::SetCommState(handle, &windows); });
}

int Win32Device::SetTimeouts(const COMMTIMEOUTS& timeouts) {
  ::COMMTIMEOUTS windows{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                         timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                         timeouts.WriteTotalTimeoutConstant};
  return WithHandle([&](HANDLE handle) { return ::SetCommTimeouts(handle, &windows); });
}

int Win32Device::StartRead(void* buffer, std::size_t count, std::unique_ptr<Transfer>& transfer,
                           std::size_t& immediate) {
  return Win32Transfer::StartRead(port_, buffer, count, transfer, immediate);
}

int Win32Device::StartWrite(const void* buffer, std::size_t count,
                            std::unique_ptr<Transfer>& transfer, std::size_t& immediate) {
  return Win32Transfer::StartWrite(port_, buffer, count, transfer, immediate);
}

// PurgeComm is asked first; the aborts then end our own pending transfers of that
// direction, whether or not the port's driver ended them already.
int Win32Device::Purge(std::uint32_t flags) {
  if (const int error = WithHandle([&](HANDLE handle) { return ::PurgeComm(handle, flags); })) return error;
  if (flags & PURGE_RXABORT) port_->Cancel(PendingKind::Read);
  if (flags & PURGE_TXABORT) port_->Cancel(PendingKind::Write);
  return 0;
}

int Win32Device::ClearErrors(std::uint32_t& errors, std::uint32_t& inQueue) {
  errors = 0;
  inQueue = 0;
  DWORD found = 0;
  COMSTAT status{};
  const int error = WithHandle([&](HANDLE handle) { return ::ClearCommError(handle, &found, &status); });
  if (error == 0) {
    errors = found;
    inQueue = status.cbInQue;
  }
  return error;
}

int Win32Device::ModemStatus(std::uint32_t& status) {
  DWORD lines = 0;
  const int error = WithHandle([&](HANDLE handle) { return ::GetCommModemStatus(handle, &lines); });
  status = error == 0 ? lines : 0;
  return error;
}

int Win32Device::Escape(std::uint32_t function) {
  return WithHandle([&](HANDLE handle) { return ::EscapeCommFunction(handle, function); });
}

// Windows ends a pending WaitCommEvent when the mask changes; the cancellation makes
// sure of it on every implementation of the call.
int Win32Device::SetEventMask(std::uint32_t mask) {
  if (const int error = WithHandle([&](HANDLE handle) { return ::SetCommMask(handle, mask); })) return error;
  port_->Cancel(PendingKind::Event);
  return 0;
}

int Win32Device::WaitEvent(std::uint32_t& occurred, const WakeEvent& stop) {
  occurred = 0;
  PortHandle::Lease lease(*port_);
  if (!lease) return kClosed;
  const HANDLE handle = lease.Handle();
  WakeEvent done;
  OVERLAPPED overlapped{};
  overlapped.hEvent = done.Native();
  Pending pending(PendingKind::Event, overlapped);
  PortHandle::Listing listing(*port_, pending);
  DWORD mask = 0;
  if (!::WaitCommEvent(handle, &mask, &overlapped)) {
    if (const DWORD error = ::GetLastError(); error != ERROR_IO_PENDING) return static_cast<int>(error);
    port_->CancelIfMarked(pending);
    const HANDLE ends[] = {done.Native(), stop.Native()};
    if (WaitForHandles(ends, std::nullopt) != 0) ::CancelIoEx(handle, &overlapped);
    DWORD ignored = 0;
    if (!::GetOverlappedResult(handle, &overlapped, &ignored, TRUE)) {
      const int error = static_cast<int>(::GetLastError());
      if (stop.IsSet() || port_->IsClosed()) return kCancelled;
      return pending.cancelled ? 0 : error;  // cancelled by a new mask
    }
  }
  occurred = mask;
  return 0;
}

void Win32Device::Close() { port_->Close(); }

}  // namespace win32
}  // namespace driver
