#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "serial/text_lines.h"

// A registry value as a registry export file holds it.
struct RegValue {
  enum Kind {
    Missing,    // absent, deleted ("Name"=-) or unreadable
    String,     // REG_SZ: "text"; also REG_EXPAND_SZ (hex(2):), which string reads accept
    Dword,      // REG_DWORD: dword:0000007a (or hex(4) with four bytes)
    OtherKind,  // any other type (hex:, hex(7):, ...)
  };
  Kind kind = Missing;
  std::string text;
  std::uint32_t number = 0;
};

// The text of a registry export file ("Windows Registry Editor Version 5.00" or
// "REGEDIT4"): "[key path]" blocks of "Name"=value lines, "@" naming a key's default
// value. Reads give what importing the file would leave in the registry: later lines
// win, "[-key]" deletes a key with its subkeys, "Name"=- deletes a value. Key paths and
// value names match without regard to the case of a to z. Writes change or add one
// line and keep every other line as it stands. A text without the header holds
// nothing and takes no writes. Regedit's own exports are UTF-16LE after a byte-order
// mark; such a text is read as UTF-8 and written back as UTF-16LE, any other one is
// kept as its bytes. Keys are written only below the five full root key names that an
// import knows.
class RegDocument {
 public:
  explicit RegDocument(std::string_view text);

  bool KeyExists(std::string_view path) const;
  RegValue Read(std::string_view path, std::string_view name) const;

  // Each returns false, changing nothing, when the text is no export, the path lies
  // under no root key, or the path, name or text cannot be written on one line (or,
  // into a UTF-16LE export, is no UTF-8 text).
  bool CreateKey(std::string_view path);
  bool Write(std::string_view path, std::string_view name, const RegValue& value);

  std::string Text() const;

 private:
  // One line of the export, or one value over several lines.
  struct Item {
    enum Kind { KeyBlock, KeyDeletion, Value, Other };
    Kind kind = Other;
    std::size_t first = 0;  // lines [first, last)
    std::size_t last = 0;
    std::string name;  // key path or value name
    RegValue value;
  };

  RegDocument(std::string_view file, const std::optional<std::string>& wideText);
  void Index();
  bool Fits(std::string_view text) const;
  bool IsWritablePath(std::string_view path) const;
  void AppendBlock(std::string_view path);
  std::size_t BlockEnd(std::size_t block) const;

  TextLines lines_;
  bool wide_ = false;  // the file is UTF-16LE
  bool isExport_ = false;
  std::vector<Item> items_;
};

// The registry facility's error; the message names the value.
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class RegistryBackend;

// The registry facility: named string and 32-bit values under keys below `RootKey`
// (HKEY_CURRENT_USER unless set); with no key open the values lie in the root key
// itself. On Windows it may be the system's registry. It may also be a registry export
// file, so that stored values keep their type and the file can be imported on Windows:
// every call reads the file afresh; every write replaces it atomically, so a failed
// write leaves the previous file whole. A missing or empty file is created with the
// header; a file that is not an export, or cannot be read whole, is never replaced.
class TRegistry {
 public:
  // The system's registry; only in the Windows build (registry_win32.cpp).
  TRegistry();
  // The registry export file `fileName`.
  explicit TRegistry(std::string fileName);

  void SetRootKey(std::string rootKey) { rootKey_ = std::move(rootKey); }
  // Relative to the open key unless it starts with a backslash. False when the key
  // does not exist and may not be created, or cannot be created, and under a root key
  // other than the five full HKEY_ names.
  bool OpenKey(std::string_view key, bool canCreate);
  void CloseKey() { currentPath_.clear(); }
  const std::string& CurrentPath() const { return currentPath_; }

  // Failing writes raise "Erreur à définition des données pour '<name>'".
  void WriteString(std::string_view name, std::string_view text);
  void WriteInteger(std::string_view name, std::int32_t value);
  // A missing value reads as the empty text; a value of another type raises
  // "Type de données incorrect pour '<name>'".
  std::string ReadString(std::string_view name) const;
  // A missing or unreadable value raises "Erreur à l'obtention des données pour
  // '<name>'"; a value of another type "Type de données incorrect pour '<name>'".
  std::int32_t ReadInteger(std::string_view name) const;

 private:
  std::string FullPath(const std::string& path) const;
  RegValue ReadValue(std::string_view name) const;
  void WriteValue(std::string_view name, const RegValue& value);

  std::shared_ptr<RegistryBackend> backend_;
  std::string rootKey_ = "HKEY_CURRENT_USER";
  std::string currentPath_;
};
