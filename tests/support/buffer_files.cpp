#include "support/buffer_files.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "common/file_io.h"

std::string Ascending(std::size_t count, unsigned first) {
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes += static_cast<char>((first + i) & 0xFF);
  return bytes;
}

TBuffer Holding(const std::string& bytes, int capacity) {
  TBuffer buffer;
  buffer.SetCapacity(capacity);
  buffer.SetData(bytes);
  return buffer;
}

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "(no error)";
}

Names FolderTest::Entries(const std::string& sub) const {
  Names names;
  for (const auto& entry : std::filesystem::directory_iterator(
           PathFromUtf8(sub.empty() ? folder_.Path() : Path(sub)))) {
    const std::u8string name = entry.path().filename().u8string();
    names.emplace_back(name.begin(), name.end());
  }
  std::sort(names.begin(), names.end());
  return names;
}
