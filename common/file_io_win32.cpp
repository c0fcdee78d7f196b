#include <windows.h>

#include <algorithm>

#include "common/file_io_parts.h"
#include "common/windows_text.h"

namespace {

// Owns one file handle and closes it when it goes.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  HANDLE Get() const { return handle_; }
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE handle) {
    Close();
    handle_ = handle;
  }
  // Closes now; 0 or the error number.
  DWORD Close() {
    const bool closed = !IsOpen() || ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed ? 0 : ::GetLastError();
  }

 private:
  HANDLE handle_;
};

// Others may go on reading, writing and renaming the file meanwhile, as with POSIX files.
HANDLE Open(const std::wstring& name, DWORD access, DWORD disposition, DWORD flags) {
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  return ::CreateFileW(name.c_str(), access, kShareAll, nullptr, disposition, flags, nullptr);
}

// A name that Windows turns into a device ("COM1", "NUL", "\\.\COM7", also inside a
// folder or with an extension). Opening a serial port moves its lines, so such a name is
// never opened.
bool IsDeviceName(const std::wstring& name) {
  const DWORD size = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (size == 0) return false;
  std::wstring full(size, L'\0');
  full.resize(::GetFullPathNameW(name.c_str(), size, full.data(), nullptr));
  return full.rfind(L"\\\\.\\", 0) == 0;
}

bool IsDiskFile(const FileHandle& file) {
  return file.IsOpen() && ::GetFileType(file.Get()) == FILE_TYPE_DISK;
}

std::wstring FolderOf(const std::wstring& name) {
  const auto separator = name.find_last_of(L"\\/");
  return separator == std::wstring::npos ? L"." : name.substr(0, separator);
}

// Saving through a symbolic link replaces the file it points to, not the link.
std::wstring FinalName(const FileHandle& file, const std::wstring& name) {
  std::wstring final(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size =
        ::GetFinalPathNameByHandleW(file.Get(), final.data(), static_cast<DWORD>(final.size()), 0);
    if (size == 0) return name;
    if (size < final.size()) return final.substr(0, size);
    final.resize(size);
  }
}

DWORD CreateTemporary(const std::wstring& folder, std::wstring& path, FileHandle& file) {
  constexpr int kAttempts = 100;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    path = folder + L"\\" + *Utf8ToWide(NextTemporaryLeaf(::GetCurrentProcessId()));
    file.Reset(Open(path, GENERIC_WRITE, CREATE_NEW, FILE_FLAG_WRITE_THROUGH));
    if (file.IsOpen()) return 0;
    if (::GetLastError() != ERROR_FILE_EXISTS) return ::GetLastError();
  }
  return ERROR_FILE_EXISTS;
}

// From the start, then cut: a file written in place loses the bytes beyond the new length.
DWORD WriteFlushAndClose(FileHandle& file, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file.Get(), data.data() + done, chunk, &written, nullptr))
      return ::GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    done += written;
  }
  if (!::SetEndOfFile(file.Get()) || !::FlushFileBuffers(file.Get())) return ::GetLastError();
  return file.Close();
}

// ReplaceFileW is to do this too, but Wine's does not. The file was writable, so it is
// not read-only.
void KeepAttributes(DWORD attributes, const std::wstring& name) {
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  ::SetFileAttributesW(name.c_str(),
                       (attributes & kKept) != 0 ? attributes & kKept : FILE_ATTRIBUTE_NORMAL);
}

// ReplaceFileW keeps the replaced file's attributes, security and streams. Where it
// removed the old file but could not rename the new one into its place, the rename is
// finished here; `keepTemporary` then tells that the temporary holds the only copy.
DWORD Install(const std::wstring& temporary, const std::wstring& target, bool replacing,
              bool& keepTemporary) {
  keepTemporary = false;
  const auto move = [&] {
    return ::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)
               ? 0
               : ::GetLastError();
  };
  if (!replacing) return move();  // and never over a file that appeared meanwhile
  if (::ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                     nullptr, nullptr))
    return 0;
  const DWORD err = ::GetLastError();
  if (err != ERROR_UNABLE_TO_MOVE_REPLACEMENT) return err;
  const DWORD moved = move();
  keepTemporary = moved != 0;
  return moved;
}

// `attributes` are those of the file being replaced, or 0 for a new one; `existing` is
// that file, open for writing.
DWORD ReplaceThroughTemporary(const std::wstring& target, DWORD attributes, FileHandle& existing,
                              const std::string& data) {
  std::wstring temporaryName;
  FileHandle temporary;
  DWORD err = CreateTemporary(FolderOf(target), temporaryName, temporary);
  // The folder takes no new file, but the file may be written: in place, without the guarantee.
  if (err == ERROR_ACCESS_DENIED && existing.IsOpen()) return WriteFlushAndClose(existing, data);
  if (err != 0) return err;
  existing.Close();  // a file held open cannot be replaced
  const bool replacing = attributes != 0;
  bool keepTemporary = false;
  err = WriteFlushAndClose(temporary, data);
  if (err == 0 && replacing) KeepAttributes(attributes, temporaryName);
  if (err == 0) err = Install(temporaryName, target, replacing, keepTemporary);
  if (err != 0 && !keepTemporary) ::DeleteFileW(temporaryName.c_str());
  return err;
}

}  // namespace

FileReadResult ReadFilePrefix(const std::string& name, std::size_t limit, std::string& out) {
  const auto wide = Utf8ToWide(name);
  if (!wide || IsDeviceName(*wide)) return FileReadResult::OpenFailed;
  const FileHandle file(Open(*wide, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
  if (!IsDiskFile(file)) return FileReadResult::OpenFailed;
  return ReadUpTo(limit, out, [&](char* buffer, std::size_t size) -> long long {
    DWORD read = 0;
    return ::ReadFile(file.Get(), buffer, static_cast<DWORD>(size), &read, nullptr) ? read : -1;
  });
}

int WriteFileAtomically(const std::string& name, const std::string& data) {
  const auto wide = Utf8ToWide(name);
  if (!wide) return ERROR_NO_UNICODE_TRANSLATION;
  if (IsDeviceName(*wide)) return ERROR_BAD_FILE_TYPE;
  const DWORD attributes = ::GetFileAttributesW(wide->c_str());
  const bool replacing = attributes != INVALID_FILE_ATTRIBUTES;
  // Replacing a folder would destroy it instead of writing a file.
  if (replacing && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return ERROR_BAD_FILE_TYPE;
  // A file this process may not write (its access list, the read-only attribute, a
  // program holding it) is not replaced either.
  FileHandle existing(replacing ? Open(*wide, GENERIC_WRITE, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL)
                                : INVALID_HANDLE_VALUE);
  if (replacing && !existing.IsOpen()) return static_cast<int>(::GetLastError());
  if (replacing && !IsDiskFile(existing)) return ERROR_BAD_FILE_TYPE;
  const std::wstring target = replacing ? FinalName(existing, *wide) : *wide;
  return static_cast<int>(
      ReplaceThroughTemporary(target, replacing ? attributes : 0, existing, data));
}
