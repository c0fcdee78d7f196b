#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>

#include "serial/driver/device.h"
#include "serial/driver/posix/channel.h"
#include "serial/driver/transfer_timing.h"

namespace driver::posix {

// A read or a write on a tty with the Windows time-outs, counted from its start. It
// moves what it can when it starts; the rest is moved by Wait. A write ends when its
// bytes have left the kernel's output queue, not when they are in it.
class PosixTransfer : public Transfer {
 public:
  static int StartRead(std::shared_ptr<Channel> channel, void* buffer, std::size_t count,
                       std::unique_ptr<Transfer>& transfer, std::size_t& immediate);
  static int StartWrite(std::shared_ptr<Channel> channel, const void* buffer, std::size_t count,
                        std::unique_ptr<Transfer>& transfer, std::size_t& immediate);
  ~PosixTransfer() override;

  int Wait(std::size_t& moved) override;

 private:
  using Clock = std::chrono::steady_clock;

  PosixTransfer(std::shared_ptr<Channel> channel, WaitKind kind, void* readInto,
                const void* writeFrom, std::size_t count);
  static int Start(std::unique_ptr<PosixTransfer> transfer, std::unique_ptr<Transfer>& started,
                   std::size_t& immediate);

  int Run();
  // Reads or writes until all bytes are moved or the time-outs end the transfer.
  int MoveUntilOver(int fd);
  int AwaitSent(int fd);
  // Reads or writes while the descriptor takes it. 0, or the error that ends the transfer.
  int MoveAvailable(int fd, bool hungUp);
  long Step(int fd);
  std::optional<TransferTiming::Duration> TimeLeft() const;
  bool IsOver() const;
  bool EndsAtStart() const;
  void Finish(int result);

  const std::shared_ptr<Channel> channel_;
  void* const readInto_;
  const void* const writeFrom_;
  const std::size_t count_;
  const TransferTiming timing_;
  const Clock::time_point start_ = Clock::now();
  std::optional<Clock::time_point> lastByte_;
  std::size_t moved_ = 0;
  std::optional<int> result_;
  Waiter waiter_;
  std::mutex mutex_;
};

}  // namespace driver::posix
