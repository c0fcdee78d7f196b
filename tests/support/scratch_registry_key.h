#pragma once

#include <string>
#include <string_view>

// A key of this test run alone below HKEY_CURRENT_USER, removed with everything below
// it when the object goes. Windows only.
class ScratchRegistryKey {
 public:
  // The registry's own type numbers, for values that TRegistry never writes.
  enum Type : unsigned long { kString = 1, kExpandString = 2, kBinary = 3, kDword = 4 };

  ScratchRegistryKey();
  ~ScratchRegistryKey();
  ScratchRegistryKey(const ScratchRegistryKey&) = delete;
  ScratchRegistryKey& operator=(const ScratchRegistryKey&) = delete;

  // "Software\Belvanto-test-<process id>", below HKEY_CURRENT_USER.
  const std::string& Path() const { return path_; }
  // Puts value `name` of `type` holding `data` as it stands into `key` (a full path
  // below HKEY_CURRENT_USER), as another program would.
  void Plant(const std::string& key, std::string_view name, Type type, std::string_view data) const;
  // What `reg query` prints for `key`, another program's view of it, with the blanks
  // at the start of a line dropped and every other run of them made one.
  static std::string Query(const std::string& key);

 private:
  std::string path_;
};
