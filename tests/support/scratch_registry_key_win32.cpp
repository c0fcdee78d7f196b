#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "common/windows_text.h"
#include "support/scratch_registry_key.h"

ScratchRegistryKey::ScratchRegistryKey()
    : path_("Software\\Belvanto-test-" + std::to_string(::GetCurrentProcessId())) {}

ScratchRegistryKey::~ScratchRegistryKey() {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, Utf8ToWide(path_)->c_str());
}

void ScratchRegistryKey::Plant(const std::string& key, std::string_view name, Type type,
                               std::string_view data) const {
  HKEY handle = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, Utf8ToWide(key)->c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(
      ::RegSetValueExW(handle, Utf8ToWide(name)->c_str(), 0, type,
                       reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size())),
      ERROR_SUCCESS);
  ::RegCloseKey(handle);
}

std::string ScratchRegistryKey::Query(const std::string& key) {
  std::string output;
  FILE* pipe = ::_popen(("reg query \"HKCU\\" + key + "\"").c_str(), "r");
  if (pipe == nullptr) return "(reg did not start)";
  char chunk[256];
  while (std::fgets(chunk, sizeof chunk, pipe) != nullptr)
    for (const char c : std::string(chunk)) {
      const bool repeatedBlank =
          c == ' ' && (output.empty() || output.back() == ' ' || output.back() == '\n');
      if (c != '\r' && !repeatedBlank) output += c;
    }
  ::_pclose(pipe);
  return output;
}
