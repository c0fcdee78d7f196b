#include "support/played_modem_lines.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace test_support {

PlayedModemLines::PlayedModemLines() {
  if (::pipe(pipe_) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
}

PlayedModemLines::~PlayedModemLines() {
  ::close(pipe_[0]);
  ::close(pipe_[1]);
}

void PlayedModemLines::Move(const driver::posix::LineCounters& counters) {
  {
    std::lock_guard lock(mutex_);
    counters_ = counters;
  }
  (void)!::write(pipe_[1], "m", 1);
}

bool PlayedModemLines::Entered(int count, std::chrono::milliseconds within) {
  std::unique_lock lock(mutex_);
  return entered_.wait_for(lock, within, [&] { return waits_ >= count; });
}

int PlayedModemLines::WaitedLines() {
  std::lock_guard lock(mutex_);
  return lines_;
}

int PlayedModemLines::ReadCounters(driver::posix::LineCounters& counters) {
  std::lock_guard lock(mutex_);
  counters = counters_;
  return 0;
}

int PlayedModemLines::WaitForChange(int lines) {
  {
    std::lock_guard lock(mutex_);
    lines_ = lines;
    ++waits_;
  }
  entered_.notify_all();
  char moved = 0;
  return ::read(pipe_[0], &moved, 1) == 1 ? 0 : errno;
}

}  // namespace test_support
