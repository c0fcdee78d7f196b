#pragma once

#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Whole-file helpers for checking what a test left on disk.
std::string ReadWholeFile(const std::string& name);
void WriteWholeFile(const std::string& name, const std::string& data);
