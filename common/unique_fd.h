#pragma once

#include <string_view>

// Owns one open file descriptor and closes it when it goes.
class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) noexcept : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    Reset(other.Release());
    return *this;
  }

  int Get() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }
  // Gives the descriptor up without closing it.
  int Release() noexcept;
  // Closes the one held, if any, and holds `fd` instead.
  void Reset(int fd = -1) noexcept;
  // Closes now and returns 0 or the error number: a late write failure may only show here.
  int Close() noexcept;

 private:
  int fd_;
};

// Writes all of `data`, again after an interrupting signal. Returns 0 or the error number.
int WriteAll(int fd, std::string_view data);
