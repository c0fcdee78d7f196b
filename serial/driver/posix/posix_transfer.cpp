#include "serial/driver/posix/posix_transfer.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include "serial/driver/posix/poll_wait.h"
#include "serial/driver/posix/kernel_termios.h"
#include "serial/driver/posix/line_counters.h"
#include "serial/driver/posix/output_drain.h"

namespace driver::posix {

namespace {

TransferTiming TimingOf(const COMMTIMEOUTS& timeouts, WaitKind kind, std::size_t count) {
  return kind == WaitKind::Read ? TransferTiming::ForRead(timeouts, count)
                                : TransferTiming::ForWrite(timeouts, count);
}

// The output queue of the tty that a write holds; cancelling the write ends its sleep.
class TtyOutput final : public OutputQueue {
 public:
  TtyOutput(int fd, const WakeEvent& cancel, std::function<std::optional<Duration>()> timeLeft)
      : fd_(fd), cancel_(cancel), timeLeft_(std::move(timeLeft)) {}

  int Queued(std::uint32_t& bytes) override { return OutputQueued(fd_, bytes); }
  int Discard() override { return DiscardUnsent(fd_); }
  int Sleep(Duration step) override {
    pollfd cancel{cancel_.Native(), POLLIN, 0};
    if (PollFor(&cancel, 1, step) < 0) return errno;
    return cancel.revents != 0 ? ECANCELED : 0;
  }
  std::optional<Duration> TimeLeft() override { return timeLeft_(); }
  Duration CharacterTime() override { return CharacterTimeOf(fd_); }

 private:
  const int fd_;
  const WakeEvent& cancel_;
  const std::function<std::optional<Duration>()> timeLeft_;
};

}  // namespace

PosixTransfer::PosixTransfer(std::shared_ptr<Channel> channel, WaitKind kind, void* readInto,
                             const void* writeFrom, std::size_t count)
    : channel_(std::move(channel)),
      readInto_(readInto),
      writeFrom_(writeFrom),
      count_(count),
      timing_(TimingOf(channel_->Timeouts(), kind, count)),
      waiter_(kind) {}

PosixTransfer::~PosixTransfer() { channel_->Remove(waiter_); }

int PosixTransfer::StartRead(std::shared_ptr<Channel> channel, void* buffer, std::size_t count,
                             std::unique_ptr<Transfer>& transfer, std::size_t& immediate) {
  return Start(std::unique_ptr<PosixTransfer>(
                   new PosixTransfer(std::move(channel), WaitKind::Read, buffer, nullptr, count)),
               transfer, immediate);
}

int PosixTransfer::StartWrite(std::shared_ptr<Channel> channel, const void* buffer,
                              std::size_t count, std::unique_ptr<Transfer>& transfer,
                              std::size_t& immediate) {
  return Start(std::unique_ptr<PosixTransfer>(
                   new PosixTransfer(std::move(channel), WaitKind::Write, nullptr, buffer, count)),
               transfer, immediate);
}

int PosixTransfer::Start(std::unique_ptr<PosixTransfer> transfer,
                         std::unique_ptr<Transfer>& started, std::size_t& immediate) {
  immediate = 0;
  {
    Channel::Lease lease(*transfer->channel_);
    if (!lease) return EBADF;
    transfer->channel_->Add(transfer->waiter_);
    if (const int error = transfer->MoveAvailable(lease.Fd(), false)) return error;
  }
  if (transfer->EndsAtStart()) {
    transfer->Finish(0);
    immediate = transfer->moved_;
  }
  started = std::move(transfer);
  return 0;
}

int PosixTransfer::Wait(std::size_t& moved) {
  std::lock_guard lock(mutex_);
  if (!result_) Finish(Run());
  moved = moved_;
  return *result_;
}

int PosixTransfer::Run() {
  Channel::Lease lease(*channel_);
  if (!lease) return ECANCELED;
  const bool reading = waiter_.kind == WaitKind::Read;
  // Bytes that came before the wait began came in time, also when the deadline has
  // passed since: they are taken before it is judged.
  if (reading && !waiter_.cancel.IsSet()) {
    if (const int error = MoveAvailable(lease.Fd(), false)) return error;
  }
  if (const int error = MoveUntilOver(lease.Fd())) return error;
  return reading ? 0 : AwaitSent(lease.Fd());
}

int PosixTransfer::MoveUntilOver(int fd) {
  const short direction = waiter_.kind == WaitKind::Read ? POLLIN : POLLOUT;
  for (;;) {
    if (waiter_.cancel.IsSet()) return ECANCELED;
    if (IsOver()) return 0;
    pollfd fds[] = {{fd, direction, 0}, {waiter_.cancel.Native(), POLLIN, 0}};
    if (PollFor(fds, 2, TimeLeft()) < 0) return errno;
    if (fds[1].revents != 0) return ECANCELED;
    if (fds[0].revents == 0) continue;
    const bool hungUp = fds[0].revents & (POLLHUP | POLLERR | POLLNVAL);
    if (const int error = MoveAvailable(fd, hungUp)) return error;
  }
}

// The kernel took the bytes; the write is over once they have left, or at its deadline.
int PosixTransfer::AwaitSent(int fd) {
  TtyOutput output(fd, waiter_.cancel, [this] { return TimeLeft(); });
  return AwaitDrained(output, moved_);
}

int PosixTransfer::MoveAvailable(int fd, bool hungUp) {
  while (moved_ < count_) {
    const long n = Step(fd);
    if (n > 0) {
      moved_ += static_cast<std::size_t>(n);
      lastByte_ = Clock::now();
      if (waiter_.kind == WaitKind::Read) {
        channel_->CountConsumed(static_cast<std::uint64_t>(n));
      } else {
        channel_->NoteWritten();
      }
      continue;
    }
    // A tty that reads as end of file has lost its device: nothing will come anymore.
    if (n == 0) return waiter_.kind == WaitKind::Read ? EIO : 0;
    if (errno == EINTR) continue;
    if (errno == EAGAIN) return hungUp ? EIO : 0;
    return errno;
  }
  return 0;
}

long PosixTransfer::Step(int fd) {
  if (waiter_.kind == WaitKind::Read) {
    return ::read(fd, static_cast<char*>(readInto_) + moved_, count_ - moved_);
  }
  return ::write(fd, static_cast<const char*>(writeFrom_) + moved_, count_ - moved_);
}

std::optional<TransferTiming::Duration> PosixTransfer::TimeLeft() const {
  const auto now = Clock::now();
  std::optional<TransferTiming::Duration> sinceLastByte;
  if (lastByte_) sinceLastByte = now - *lastByte_;
  return timing_.Remaining(now - start_, sinceLastByte, moved_);
}

// A read may end as it starts; a write that handed bytes over waits for them to leave.
bool PosixTransfer::EndsAtStart() const {
  return IsOver() && (waiter_.kind == WaitKind::Read || moved_ == 0);
}

bool PosixTransfer::IsOver() const {
  if (moved_ == count_ || timing_.ReturnsAtOnce()) return true;
  const auto left = TimeLeft();
  return left && left->count() <= 0;
}

void PosixTransfer::Finish(int result) {
  result_ = result;
  channel_->Remove(waiter_);
}

}  // namespace driver::posix
