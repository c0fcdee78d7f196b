#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "common/file_io_parts.h"
#include "common/unique_fd.h"

namespace {

bool IsRegularFile(const std::string& name) {
  struct stat st {};
  return ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsRegularFile(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

std::string FolderOf(const std::string& name) {
  const auto slash = name.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : name.substr(0, slash);
}

// Saving through a symbolic link replaces the file it points to, not the link.
std::string ResolveLinks(const std::string& name) {
  char resolved[PATH_MAX];
  return ::realpath(name.c_str(), resolved) != nullptr ? std::string(resolved) : name;
}

// Created with 0666 so that a new file gets the user's umask like any other program's.
int CreateTemporary(const std::string& folder, std::string& path) {
  constexpr int kAttempts = 100;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    path = folder + "/" + NextTemporaryLeaf(static_cast<unsigned long>(::getpid()));
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Keeps owner and mode of the file being replaced. A user who may not hand the file to
// its old owner keeps the permissions but not the set-id bits, which would then be his.
void CopyAttributes(const struct stat& old, int fd) {
  const bool ownerKept = ::fchown(fd, old.st_uid, old.st_gid) == 0;
  ::fchmod(fd, old.st_mode & (ownerKept ? 07777 : 0777));
}

void SyncFolder(const std::string& folder) {
  const UniqueFd dfd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dfd.IsOpen()) ::fsync(dfd.Get());
}

// Cutting after writing serves a file written in place: its old blocks are overwritten
// without needing new room, and bytes beyond the new length go.
int WriteSyncAndClose(UniqueFd& fd, const std::string& data) {
  int err = WriteAll(fd.Get(), data);
  if (err == 0 && ::ftruncate(fd.Get(), static_cast<off_t>(data.size())) != 0) err = errno;
  if (err == 0 && ::fsync(fd.Get()) != 0) err = errno;
  if (err == 0) err = fd.Close();
  return err;
}

// Opening without truncating lets the system apply every rule on writing this file
// (modes, access lists, read-only mounts, a running program) and changes nothing.
int OpenExistingForWriting(const std::string& target) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 || IsRegularFile(fd)) return fd;
  ::close(fd);
  errno = EINVAL;
  return -1;
}

// `old` describes the file being replaced, or is null for a new one.
int ReplaceThroughTemporary(const std::string& target, const struct stat* old,
                            const std::string& data) {
  const std::string folder = FolderOf(target);
  std::string temp;
  UniqueFd fd(CreateTemporary(folder, temp));
  if (fd.Get() < 0) return errno;
  if (old != nullptr) CopyAttributes(*old, fd.Get());
  int err = WriteSyncAndClose(fd, data);
  if (err == 0 && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(temp.c_str());
    return err;
  }
  SyncFolder(folder);
  return 0;
}

// The folder takes no new file or no rename over the old one (a sticky folder).
bool FolderRefused(int err) { return err == EACCES || err == EPERM; }

}  // namespace

FileReadResult ReadFilePrefix(const std::string& name, std::size_t limit, std::string& out) {
  // Devices and FIFOs are never opened: opening a serial port moves its lines.
  if (!IsRegularFile(name)) return FileReadResult::OpenFailed;
  UniqueFd fd(::open(name.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (fd.Get() < 0 || !IsRegularFile(fd.Get())) return FileReadResult::OpenFailed;
  return ReadUpTo(limit, out, [&](char* buffer, std::size_t size) -> long long {
    ssize_t n;
    do n = ::read(fd.Get(), buffer, size);
    while (n < 0 && errno == EINTR);
    return n;
  });
}

int WriteFileAtomically(const std::string& name, const std::string& data) {
  const std::string target = ResolveLinks(name);
  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0;
  // Renaming over a folder, device or FIFO would destroy it instead of writing a file.
  if (replacing && !S_ISREG(old.st_mode)) return S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
  // A file this process may not write is not replaced either.
  UniqueFd existing(replacing ? OpenExistingForWriting(target) : -1);
  if (replacing && existing.Get() < 0) return errno;
  const int err = ReplaceThroughTemporary(target, replacing ? &old : nullptr, data);
  if (FolderRefused(err) && existing.Get() >= 0) return WriteSyncAndClose(existing, data);
  return err;
}
