#include "common/unique_fd.h"

#include <unistd.h>

#include <cerrno>

int UniqueFd::Release() noexcept {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

void UniqueFd::Reset(int fd) noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

int UniqueFd::Close() noexcept {
  const int rc = fd_ >= 0 ? ::close(fd_) : 0;
  fd_ = -1;
  return rc == 0 ? 0 : errno;
}

int WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;  // a device that takes nothing would loop here forever
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}
