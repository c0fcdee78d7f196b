// The registry facility over the system's registry.

#include <windows.h>

#include <cstring>
#include <optional>

#include "common/windows_text.h"
#include "serial/registry_backend.h"
#include "serial/registry_roots.h"

namespace {

// In the order of kRootKeyNames.
const HKEY kRootKeys[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                          HKEY_CURRENT_CONFIG};

// Owns one open key and closes it when it goes.
class OpenedKey {
 public:
  OpenedKey() = default;
  ~OpenedKey() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;

  HKEY Get() const { return key_; }
  HKEY* Receive() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

struct KeyPath {
  HKEY root;
  std::wstring subkey;  // empty for the root key itself
};

std::optional<KeyPath> SplitPath(const std::string& path) {
  const auto slash = path.find('\\');
  const auto root = RootKeyIndex(std::string_view(path).substr(0, slash));
  const auto subkey = Utf8ToWide(slash == std::string::npos ? "" : path.substr(slash + 1));
  if (!root || !subkey) return std::nullopt;
  return KeyPath{kRootKeys[*root], *subkey};
}

// False when the key does not exist or does not grant `access`.
bool OpenAt(const std::string& path, REGSAM access, OpenedKey& key) {
  const auto where = SplitPath(path);
  return where && ::RegOpenKeyExW(where->root, where->subkey.c_str(), 0, access, key.Receive()) ==
                      ERROR_SUCCESS;
}

// REG_SZ and REG_EXPAND_SZ data: UTF-16 up to the first zero, which a writer may have
// left out. The expandable string is given as stored, not expanded.
RegValue StringValue(const std::string& data) {
  if (data.size() % 2 != 0) return {};
  std::wstring wide(data.size() / 2, L'\0');
  std::memcpy(wide.data(), data.data(), data.size());
  const auto text = WideToUtf8(wide.substr(0, wide.find(L'\0')));
  if (!text) return {};
  return {RegValue::String, *text, 0};
}

RegValue DwordValue(const std::string& data) {
  std::uint32_t number = 0;
  if (data.size() != sizeof number) return {};
  std::memcpy(&number, data.data(), sizeof number);
  return {RegValue::Dword, {}, number};
}

class SystemRegistry : public RegistryBackend {
 public:
  bool KeyExists(const std::string& path) const override;
  bool CreateKey(const std::string& path) override;
  RegValue Read(const std::string& path, std::string_view name) const override;
  bool Write(const std::string& path, std::string_view name, const RegValue& value) override;
};

bool SystemRegistry::KeyExists(const std::string& path) const {
  OpenedKey key;
  return OpenAt(path, KEY_READ, key);
}

bool SystemRegistry::CreateKey(const std::string& path) {
  const auto where = SplitPath(path);
  OpenedKey key;
  return where &&
         ::RegCreateKeyExW(where->root, where->subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_READ, nullptr, key.Receive(), nullptr) == ERROR_SUCCESS;
}

RegValue SystemRegistry::Read(const std::string& path, std::string_view name) const {
  OpenedKey key;
  const auto wideName = Utf8ToWide(name);
  if (!wideName || !OpenAt(path, KEY_QUERY_VALUE, key)) return {};
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (::RegQueryValueExW(key.Get(), wideName->c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS)
    return {};
  std::string data(size, '\0');
  // A value that grew meanwhile fails here and counts as unreadable.
  if (::RegQueryValueExW(key.Get(), wideName->c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
    return {};
  data.resize(size);
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      return StringValue(data);
    case REG_DWORD:
      return DwordValue(data);
    default:
      return {RegValue::OtherKind, {}, 0};
  }
}

bool SystemRegistry::Write(const std::string& path, std::string_view name, const RegValue& value) {
  OpenedKey key;
  const auto wideName = Utf8ToWide(name);
  if (!wideName || !OpenAt(path, KEY_SET_VALUE, key)) return false;
  if (value.kind == RegValue::Dword)
    return ::RegSetValueExW(key.Get(), wideName->c_str(), 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&value.number),
                            sizeof value.number) == ERROR_SUCCESS;
  // A string value ends at its first zero, so a text holding one would come back cut.
  const auto text = Utf8ToWide(value.text);
  if (!text || text->find(L'\0') != std::wstring::npos) return false;
  const auto bytes = static_cast<DWORD>((text->size() + 1) * sizeof(wchar_t));  // with the zero
  return ::RegSetValueExW(key.Get(), wideName->c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text->c_str()), bytes) == ERROR_SUCCESS;
}

}  // namespace

TRegistry::TRegistry() : backend_(std::make_shared<SystemRegistry>()) {}
