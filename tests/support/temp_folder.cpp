#include "support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <vector>

TempFolder::TempFolder() {
  // Memory-backed by preference: every store write syncs, which a disk makes slow.
  const char* tmpdir = std::getenv("TMPDIR");
  const std::filesystem::path base = tmpdir && *tmpdir                           ? tmpdir
                                     : std::filesystem::is_directory("/dev/shm") ? "/dev/shm"
                                                                                 : std::filesystem::temp_directory_path();
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto folder = base / ("belvanto-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(folder)) {
      std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
      path_ = folder.generic_string();
      return;
    }
  }
  throw std::runtime_error("cannot create a folder in " + base.string());
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadWholeFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + name);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteWholeFile(const std::string& name, const std::string& data) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out << data;
  if (!out) throw std::runtime_error("cannot write " + name);
}
