#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "serial/text_lines.h"

// The text of a settings file in the Windows profile format: "[section]" lines and
// "key=value" lines, names matched without regard to the case of a to z, blanks
// around names and values ignored, a value in matching quotes read without them.
// Comments (";"), blank lines and anything else are kept as they stand. Of a section
// or key given twice, the first counts.
class IniDocument {
 public:
  explicit IniDocument(std::string_view text) : lines_(text) {}

  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  // False, and nothing changed, for what the format cannot hold: a line end or zero
  // byte anywhere, an empty key, "=" in the key, names with blanks at either end.
  bool Write(std::string_view section, std::string_view key, std::string_view value);

  std::string Text() const { return lines_.Join(); }

 private:
  struct Place;
  Place Locate(std::string_view section, std::string_view key) const;

  TextLines lines_;
};

// Raised when a settings file cannot be written; the file is then as it was.
class EIniFileException : public std::runtime_error {
 public:
  explicit EIniFileException(const std::string& fileName);
};

// A settings file on disk. Every call reads the file afresh; every write replaces it
// atomically, so a failed write leaves the previous file whole. A missing or
// unreadable file reads as empty; a write creates a missing file but never replaces
// one that could not be read.
class TIniFile {
 public:
  explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  // The fallback also stands for a value that is not an integer.
  std::int32_t ReadInteger(std::string_view section, std::string_view key,
                           std::int32_t fallback) const;
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);

 private:
  std::string fileName_;
};
