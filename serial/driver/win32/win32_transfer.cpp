#include "serial/driver/win32/win32_transfer.h"

#include "serial/driver/errors.h"

namespace driver::win32 {

namespace {

DWORD CountOf(std::size_t count) { return count > MAXDWORD ? MAXDWORD : static_cast<DWORD>(count); }

// A transfer cut short by its time-outs completes with STATUS_TIMEOUT, a success status
// that Windows' GetOverlappedResult lets through and Wine's reports as ERROR_TIMEOUT.
// Either way the transfer ended as the time-outs say: no error, fewer bytes.
bool EndedByTimeouts(DWORD error) { return error == ERROR_TIMEOUT; }

}  // namespace

Win32Transfer::Win32Transfer(std::shared_ptr<PortHandle> port, PendingKind kind)
    : port_(std::move(port)), pending_(kind, overlapped_) {
  overlapped_.hEvent = done_.Native();
}

Win32Transfer::~Win32Transfer() {
  if (!listing_) return;
  {
    std::lock_guard lock(mutex_);
    if (result_) return;
  }
  PortHandle::Lease lease(*port_);
  if (lease) ::CancelIoEx(lease.Handle(), &overlapped_);
  std::size_t ignored = 0;
  Wait(ignored);
}

int Win32Transfer::StartRead(std::shared_ptr<PortHandle> port, void* buffer, std::size_t count,
                             std::unique_ptr<Transfer>& transfer, std::size_t& immediate) {
  return Start(
      std::unique_ptr<Win32Transfer>(new Win32Transfer(std::move(port), PendingKind::Read)),
      [buffer, count](HANDLE handle, OVERLAPPED& overlapped) {
        return ::ReadFile(handle, buffer, CountOf(count), nullptr, &overlapped);
      },
      transfer, immediate);
}

int Win32Transfer::StartWrite(std::shared_ptr<PortHandle> port, const void* buffer,
                              std::size_t count, std::unique_ptr<Transfer>& transfer,
                              std::size_t& immediate) {
  return Start(
      std::unique_ptr<Win32Transfer>(new Win32Transfer(std::move(port), PendingKind::Write)),
      [buffer, count](HANDLE handle, OVERLAPPED& overlapped) {
        return ::WriteFile(handle, buffer, CountOf(count), nullptr, &overlapped);
      },
      transfer, immediate);
}

// A transfer that ends within the call reports its count as immediate; one that fails
// at once is not started.
template <typename Issue>
int Win32Transfer::Start(std::unique_ptr<Win32Transfer> transfer, Issue&& issue,
                         std::unique_ptr<Transfer>& started, std::size_t& immediate) {
  immediate = 0;
  PortHandle::Lease lease(*transfer->port_);
  if (!lease) return kClosed;
  transfer->listing_.emplace(*transfer->port_, transfer->pending_);
  if (issue(lease.Handle(), transfer->overlapped_)) {
    transfer->result_ = transfer->Finish();
    immediate = transfer->moved_;
  } else if (const DWORD error = ::GetLastError(); error != ERROR_IO_PENDING) {
    transfer->listing_.reset();
    return static_cast<int>(error);
  } else {
    transfer->port_->CancelIfMarked(transfer->pending_);
  }
  started = std::move(transfer);
  return 0;
}

int Win32Transfer::Wait(std::size_t& moved) {
  std::lock_guard lock(mutex_);
  if (!result_) result_ = Finish();
  moved = moved_;
  return *result_;
}

// The close cancelled whatever was in flight, so without a lease the I/O ends by itself.
int Win32Transfer::Finish() {
  int result = kCancelled;
  {
    PortHandle::Lease lease(*port_);
    DWORD moved = 0;
    if (!lease) {
      ::WaitForSingleObject(done_.Native(), INFINITE);
    } else if (::GetOverlappedResult(lease.Handle(), &overlapped_, &moved, TRUE)) {
      result = 0;
    } else {
      result = EndedByTimeouts(::GetLastError()) ? 0 : static_cast<int>(::GetLastError());
    }
    moved_ = moved;
  }
  listing_.reset();
  return result;
}

}  // namespace driver::win32
