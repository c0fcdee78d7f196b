// The registry kept in a registry export file.

#include "serial/registry_backend.h"

namespace {

class RegistryFile : public RegistryBackend {
 public:
  explicit RegistryFile(std::string fileName) : fileName_(std::move(fileName)) {}

  bool KeyExists(const std::string& path) const override { return Document().KeyExists(path); }
  bool CreateKey(const std::string& path) override {
    return EditStoreDocument<RegDocument>(
        fileName_, [&](RegDocument& document) { return document.CreateKey(path); });
  }
  RegValue Read(const std::string& path, std::string_view name) const override {
    return Document().Read(path, name);
  }
  bool Write(const std::string& path, std::string_view name, const RegValue& value) override {
    return EditStoreDocument<RegDocument>(
        fileName_, [&](RegDocument& document) { return document.Write(path, name, value); });
  }

 private:
  // Read afresh at every call: another program may have changed the file.
  RegDocument Document() const { return RegDocument(ReadStoreFile(fileName_).text); }

  std::string fileName_;
};

}  // namespace

std::shared_ptr<RegistryBackend> MakeRegistryFile(std::string fileName) {
  return std::make_shared<RegistryFile>(std::move(fileName));
}
