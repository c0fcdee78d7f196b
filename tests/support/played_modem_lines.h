#pragma once

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>

#include "serial/driver/posix/line_watch.h"

namespace test_support {

// Modem lines a test moves by hand. The wait for a change blocks in a read on a pipe:
// a system call that only a signal or Move ends, as the kernel's wait on a tty's lines.
class PlayedModemLines : public driver::posix::ModemLineSource {
 public:
  PlayedModemLines() {
    if (::pipe(pipe_) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
  }
  ~PlayedModemLines() override {
    ::close(pipe_[0]);
    ::close(pipe_[1]);
  }

  // New counters; the pending wait for a change ends.
  void Move(const driver::posix::LineCounters& counters) {
    std::lock_guard lock(mutex_);
    counters_ = counters;
    (void)!::write(pipe_[1], "m", 1);
  }
  // Whether WaitForChange was entered `count` times within the limit.
  bool Entered(int count, std::chrono::milliseconds within = std::chrono::seconds(5)) {
    std::unique_lock lock(mutex_);
    return entered_.wait_for(lock, within, [&] { return waits_ >= count; });
  }
  int WaitedLines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }

  int ReadCounters(driver::posix::LineCounters& counters) override {
    std::lock_guard lock(mutex_);
    counters = counters_;
    return 0;
  }
  int WaitForChange(int lines) override {
    {
      std::lock_guard lock(mutex_);
      lines_ = lines;
      ++waits_;
    }
    entered_.notify_all();
    char moved = 0;
    return ::read(pipe_[0], &moved, 1) == 1 ? 0 : errno;
  }

 private:
  std::mutex mutex_;
  std::condition_variable entered_;
  int waits_ = 0;
  int lines_ = 0;
  driver::posix::LineCounters counters_;
  int pipe_[2] = {-1, -1};
};

}  // namespace test_support
