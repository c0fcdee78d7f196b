// The registry kept in a registry export file.

#include "serial/registry.h"

TRegistry::TRegistry(std::string fileName) : fileName_(std::move(fileName)) {}

bool TRegistry::KeyExists(const std::string& path) const {
  return RegDocument(ReadStoreFile(fileName_).text).KeyExists(path);
}

bool TRegistry::CreateKey(const std::string& path) {
  return EditStoreDocument<RegDocument>(
      fileName_, [&](RegDocument& document) { return document.CreateKey(path); });
}

RegValue TRegistry::LoadValue(const std::string& path, std::string_view name) const {
  return RegDocument(ReadStoreFile(fileName_).text).Read(path, name);
}

bool TRegistry::StoreValue(const std::string& path, std::string_view name, const RegValue& value) {
  return EditStoreDocument<RegDocument>(
      fileName_, [&](RegDocument& document) { return document.Write(path, name, value); });
}
