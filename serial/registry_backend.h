#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "serial/registry.h"

// Where a TRegistry keeps its keys and values. `path` is a full key path, root key first.
class RegistryBackend {
 public:
  virtual ~RegistryBackend() = default;
  virtual bool KeyExists(const std::string& path) const = 0;
  virtual bool CreateKey(const std::string& path) = 0;
  // Missing for a value that is absent or unreadable.
  virtual RegValue Read(const std::string& path, std::string_view name) const = 0;
  // False, changing nothing, when the store refuses the value.
  virtual bool Write(const std::string& path, std::string_view name, const RegValue& value) = 0;
};

// A registry export file.
std::shared_ptr<RegistryBackend> MakeRegistryFile(std::string fileName);
