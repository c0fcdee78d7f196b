#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

// Whole-file helpers shared by everything that keeps data on disk. File names are
// UTF-8 text; on Windows they reach the system as UTF-16.

enum class FileReadResult { Ok, OpenFailed, ReadFailed };

// Reads at most `limit` bytes from the start of the regular file `name` into `out`.
// `out` is only replaced on success. Folders and devices count as "cannot be opened".
FileReadResult ReadFilePrefix(const std::string& name, std::size_t limit, std::string& out);

// Replaces `name` with `data` so that the file is either the old one or the complete
// new one: a temporary file beside it is written, synced and renamed over it. A symbolic
// link is followed; a folder, device or FIFO in the way is left alone and fails the write,
// and so does an existing file that this process may not open for writing. Where the
// folder refuses the temporary but the file may be written, it is written in place,
// without the guarantee. Returns 0 or the error number of the step that failed (the
// temporary is removed): errno on Linux, GetLastError() on Windows.
int WriteFileAtomically(const std::string& name, const std::string& data);

// The file system's path for a UTF-8 file name, for the standard library's calls.
std::filesystem::path PathFromUtf8(const std::string& name);
