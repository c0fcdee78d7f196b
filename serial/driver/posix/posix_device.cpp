#include "serial/driver/posix/posix_device.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "common/unique_fd.h"
#include "serial/driver/directory.h"
#include "serial/driver/posix/kernel_termios.h"
#include "serial/driver/posix/output_drain.h"
#include "serial/driver/posix/posix_transfer.h"

namespace driver {

bool IsBusyError(int error) { return error == EBUSY || error == EWOULDBLOCK; }

int BusyError() { return EBUSY; }

int OpenSystemDevice(const std::string& path, std::shared_ptr<Device>& device) {
  return posix::PosixDevice::Open(path, device);
}

namespace posix {

namespace {

// Exclusive use: flock tells another holder even to root, whom TIOCEXCL does not stop;
// a device already in exclusive mode is held by a program that does not flock.
int Claim(int fd) {
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return errno;
  int exclusive = 0;
  if (::ioctl(fd, TIOCGEXCL, &exclusive) != 0) return errno;
  if (exclusive) return EBUSY;
  if (::ioctl(fd, TIOCEXCL) != 0) return errno;
  return 0;
}

int ChangeModemLine(int fd, int line, bool on) {
  if (::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) != 0) return errno;
  return 0;
}

// A device without modem-control lines (a pseudo-terminal) still takes the line group.
int DriveModemLines(int fd, const LineSettings& settings) {
  for (const auto& [line, level] : {std::pair{TIOCM_DTR, settings.dtr}, std::pair{TIOCM_RTS, settings.rts}}) {
    if (!level) continue;
    const int error = ChangeModemLine(fd, line, *level);
    if (error != 0 && error != ENOTTY) return error;
  }
  return 0;
}

int Flow(int fd, int action) { return ::tcflow(fd, action) == 0 ? 0 : errno; }

int Ioctl(int fd, unsigned long request) { return ::ioctl(fd, request) == 0 ? 0 : errno; }

}  // namespace

PosixDevice::PosixDevice(int fd) : channel_(std::make_shared<Channel>(fd)) {}

PosixDevice::~PosixDevice() { Close(); }

int PosixDevice::Open(const std::string& path, std::shared_ptr<Device>& device) {
  UniqueFd claimed(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!claimed.IsOpen()) return errno;
  if (const int error = Claim(claimed.Get())) return error;
  // From here the channel owns the descriptor and closes it if anything fails.
  const int fd = claimed.Release();
  std::shared_ptr<PosixDevice> opened(new PosixDevice(fd));
  if (const int error = opened->Attach(fd)) return error;
  device = std::move(opened);
  return 0;
}

int PosixDevice::Attach(int fd) {
  if (const int error = MakeRaw(fd)) return error;
  if (const int error = events_.Attach(fd, *channel_)) return error;
  if (const int error = ReadLineCounters(fd, lastErrors_)) return error;
  // Once the open can no longer fail: a device that is not kept is left untouched.
  TtySerialInfo driver(fd);
  lowLatency_.Ask(driver);
  return 0;
}

// Linux sizes its queues itself; the input size still tells when the queue is 80% full.
int PosixDevice::SetQueueSizes(std::uint32_t input, std::uint32_t) {
  Channel::Lease lease(*channel_);
  if (!lease) return EBADF;
  events_.SetInputSize(input);
  return 0;
}

int PosixDevice::SetState(const DCB& dcb) {
  LineSettings settings;
  if (const int error = MapDcb(dcb, settings)) return error;
  Channel::Lease lease(*channel_);
  if (!lease) return EBADF;
  if (const int error = ApplyLineSettings(lease.Fd(), settings)) return error;
  return DriveModemLines(lease.Fd(), settings);
}

int PosixDevice::SetTimeouts(const COMMTIMEOUTS& timeouts) {
  Channel::Lease lease(*channel_);
  if (!lease) return EBADF;
  channel_->SetTimeouts(timeouts);
  return 0;
}

int PosixDevice::StartRead(void* buffer, std::size_t count, std::unique_ptr<Transfer>& transfer,
                           std::size_t& immediate) {
  return PosixTransfer::StartRead(channel_, buffer, count, transfer, immediate);
}

int PosixDevice::StartWrite(const void* buffer, std::size_t count,
                            std::unique_ptr<Transfer>& transfer, std::size_t& immediate) {
  return PosixTransfer::StartWrite(channel_, buffer, count, transfer, immediate);
}

int PosixDevice::Purge(std::uint32_t flags) {
  if (flags & ~(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR)) return EINVAL;
  Channel::Lease lease(*channel_);
  if (!lease) return EBADF;
  if (flags & PURGE_RXABORT) channel_->Cancel(WaitKind::Read);
  if (flags & PURGE_TXABORT) channel_->Cancel(WaitKind::Write);
  if (flags & PURGE_RXCLEAR) {
    std::uint32_t queued = 0;
    if (const int error = InputQueued(lease.Fd(), queued)) return error;
    channel_->CountConsumed(queued);
    if (::tcflush(lease.Fd(), TCIFLUSH) != 0) return errno;
  }
  if (flags & PURGE_TXCLEAR) return DiscardUnsent(lease.Fd());
  return 0;
}

int PosixDevice::ClearErrors(std::uint32_t& errors, std::uint32_t& inQueue) {
  errors = 0;
  inQueue = 0;
  Channel::Lease lease(*channel_);
  if (!lease) return EBADF;
  if (const int error = InputQueued(lease.Fd(), inQueue)) return error;
  LineCounters now;
  if (const int error = ReadLineCounters(lease.Fd(), now)) return error;
  std::lock_guard lock(errorsMutex_);
  errors = ErrorFlagsBetween(lastErrors_, now);
  lastErrors_ = now;
  return 0;
}

int PosixDevice::ModemStatus(std::uint32_t& status) {
  status = 0;
  Channel::Lease lease(*channel_);
  if (!lease) return EBADF;
  int lines = 0;
  // A device without modem lines (a pseudo-terminal) has none of them on. Opening a
  // port sweeps the lines, and such a device must still open.
  if (::ioctl(lease.Fd(), TIOCMGET, &lines) != 0) return errno == ENOTTY ? 0 : errno;
  if (lines & TIOCM_CTS) status |= MS_CTS_ON;
  if (lines & TIOCM_DSR) status |= MS_DSR_ON;
  if (lines & TIOCM_RI) status |= MS_RING_ON;
  if (lines & TIOCM_CD) status |= MS_RLSD_ON;
  return 0;
}

int PosixDevice::Escape(std::uint32_t function) {
  Channel::Lease lease(*channel_);
  if (!lease) return EBADF;
  const int fd = lease.Fd();
  switch (function) {
    case SETRTS:
    case CLRRTS:
      return ChangeModemLine(fd, TIOCM_RTS, function == SETRTS);
    case SETDTR:
    case CLRDTR:
      return ChangeModemLine(fd, TIOCM_DTR, function == SETDTR);
    case SETBREAK:
      return Ioctl(fd, TIOCSBRK);
    case CLRBREAK:
      return Ioctl(fd, TIOCCBRK);
    case SETXOFF:
      return Flow(fd, TCOOFF);
    case SETXON:
      return Flow(fd, TCOON);
    default:
      return EINVAL;
  }
}

int PosixDevice::SetEventMask(std::uint32_t mask) {
  Channel::Lease lease(*channel_);
  if (!lease) return EBADF;
  events_.SetMask(mask);
  channel_->Cancel(WaitKind::Event);
  return 0;
}

int PosixDevice::WaitEvent(std::uint32_t& occurred, const WakeEvent& stop) {
  return events_.Wait(*channel_, occurred, stop);
}

// The line watch may sit in the kernel on the descriptor: it ends first.
void PosixDevice::Close() {
  events_.Close();
  EndLowLatency();
  channel_->Close();
}

void PosixDevice::EndLowLatency() {
  Channel::Lease lease(*channel_);
  if (!lease) return;
  TtySerialInfo driver(lease.Fd());
  lowLatency_.End(driver);
}

}  // namespace posix
}  // namespace driver
