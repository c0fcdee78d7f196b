#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "serial/driver/posix/line_watch.h"

namespace test_support {

// Modem lines a test moves by hand. The wait for a change blocks in a read on a pipe:
// a system call that only a signal or Move ends, as the kernel's wait on a tty's lines.
class PlayedModemLines : public driver::posix::ModemLineSource {
 public:
  PlayedModemLines();
  ~PlayedModemLines() override;

  // New counters, and the pending wait for a change ends.
  void Move(const driver::posix::LineCounters& counters);
  // Whether WaitForChange was entered `count` times within the limit.
  bool Entered(int count, std::chrono::milliseconds within = std::chrono::seconds(5));
  int WaitedLines();

  int ReadCounters(driver::posix::LineCounters& counters) override;
  int WaitForChange(int lines) override;

 private:
  std::mutex mutex_;
  std::condition_variable entered_;
  int waits_ = 0;
  int lines_ = 0;
  driver::posix::LineCounters counters_;
  int pipe_[2] = {-1, -1};
};

}  // namespace test_support
