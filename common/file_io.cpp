#include <algorithm>
#include <atomic>
#include <string>

#include "common/file_io_parts.h"

FileReadResult ReadUpTo(std::size_t limit, std::string& out,
                        const std::function<long long(char* buffer, std::size_t size)>& readSome) {
  std::string data;
  char chunk[65536];
  while (data.size() < limit) {
    const long long n = readSome(chunk, std::min(sizeof chunk, limit - data.size()));
    if (n < 0) return FileReadResult::ReadFailed;
    if (n == 0) break;
    data.append(chunk, static_cast<std::size_t>(n));
  }
  out.swap(data);
  return FileReadResult::Ok;
}

std::string NextTemporaryLeaf(unsigned long processId) {
  static std::atomic<unsigned> serial{0};
  return ".belvanto-" + std::to_string(processId) + "-" + std::to_string(serial++);
}

std::filesystem::path PathFromUtf8(const std::string& name) {
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
}
