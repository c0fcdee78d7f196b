#include "buffer/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes now and reports the error a late write failure may only show here.
  int Close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

int WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

std::string FolderOf(const std::string& name) {
  const auto slash = name.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : name.substr(0, slash);
}

// Keeps the mode of a file being replaced; a new file gets the usual 0666 & ~umask.
void CopyModeOfExisting(const std::string& name, int fd) {
  struct stat st {};
  if (::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(fd, st.st_mode & 07777);
}

void SyncFolder(const std::string& folder) {
  const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return;
  ::fsync(dfd);
  ::close(dfd);
}

}  // namespace

FileReadResult ReadFilePrefix(const std::string& name, std::size_t limit, std::string& out) {
  Fd fd(::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return FileReadResult::OpenFailed;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return FileReadResult::OpenFailed;
  std::string data;
  data.resize(limit);
  std::size_t got = 0;
  while (got < limit) {
    const ssize_t n = ::read(fd.get(), data.data() + got, limit - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FileReadResult::ReadFailed;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  data.resize(got);
  out.swap(data);
  return FileReadResult::Ok;
}

int WriteFileAtomically(const std::string& name, const std::string& data) {
  std::string pattern = FolderOf(name) + "/.belvanto-XXXXXX";
  std::vector<char> temp(pattern.begin(), pattern.end());
  temp.push_back('\0');
  Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (fd.get() < 0) return errno;
  CopyModeOfExisting(name, fd.get());
  int err = WriteAll(fd.get(), data);
  if (err == 0 && ::fsync(fd.get()) != 0) err = errno;
  if (err == 0) err = fd.Close();
  if (err == 0 && ::rename(temp.data(), name.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(temp.data());
    return err;
  }
  SyncFolder(FolderOf(name));
  return 0;
}
