#include "serial/registry.h"

#include <cstdio>
#include <optional>

#include "serial/registry_backend.h"
#include "serial/registry_roots.h"
#include "serial/text_syntax.h"
#include "serial/utf16_text.h"

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";
constexpr std::string_view kWideMark = "\xFF\xFE";
bool IsRootKey(std::string_view name) { return RootKeyIndex(name).has_value(); }

bool StartsWithText(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
}

// `inner` is `outer` or one of its subkeys.
bool IsWithin(std::string_view inner, std::string_view outer) {
  if (inner.size() > outer.size() && inner[outer.size()] != '\\') return false;
  return StartsWithText(inner, outer);
}

struct Quoted {
  std::string text;
  std::size_t end = 0;  // just after the closing quote
};

// A quoted text starting at text[0]: "\\" stands for a backslash and "\"" for a quote;
// any other backslash is itself.
std::optional<Quoted> ReadQuoted(std::string_view text) {
  Quoted quoted;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '"') {
      quoted.end = i + 1;
      return quoted;
    }
    if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) ++i;
    quoted.text += text[i];
  }
  return std::nullopt;
}

std::string Quote(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// The bytes of "hex...:" data: two hexadecimal digits each, separated by commas.
std::optional<std::string> HexBytes(std::string_view list) {
  std::string bytes;
  while (!list.empty()) {
    const auto comma = list.find(',');
    const auto byte = HexDigitsToNumber(TrimBlanks(list.substr(0, comma)));
    if (!byte || *byte > 0xFF) return std::nullopt;
    bytes += static_cast<char>(*byte);
    list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
  }
  return bytes;
}

// "hex(4):" data: four bytes, lowest first.
RegValue HexDword(std::string_view list) {
  const auto bytes = HexBytes(list);
  if (!bytes || bytes->size() != 4) return {};
  std::uint32_t number = 0;
  for (auto byte = bytes->rbegin(); byte != bytes->rend(); ++byte)
    number = number << 8 | static_cast<unsigned char>(*byte);
  return {RegValue::Dword, {}, number};
}

// Up to the first character that is zero, characters being `width` bytes wide.
std::string_view UpToZero(std::string_view bytes, std::size_t width) {
  for (std::size_t i = 0; i + width <= bytes.size(); i += width)
    if (bytes.substr(i, width).find_first_not_of('\0') == std::string_view::npos)
      return bytes.substr(0, i);
  return bytes;
}

// "hex(2):" data, an expandable string ended by a zero: UTF-16LE in a version 5
// export, ANSI bytes in a REGEDIT4 one. The registry's string reads accept it.
RegValue HexExpandString(std::string_view list, bool wideData) {
  const auto bytes = HexBytes(list);
  if (!bytes) return {};
  const auto text = wideData ? Utf16LeToUtf8(UpToZero(*bytes, 2))
                             : std::optional<std::string>(UpToZero(*bytes, 1));
  if (!text) return {};
  return {RegValue::String, *text, 0};
}

// The data after "Name"=, continuation lines already joined.
RegValue ParseData(std::string_view data, bool wideData) {
  if (!data.empty() && data[0] == '"') {
    const auto quoted = ReadQuoted(data);
    if (!quoted || !TrimBlanks(data.substr(quoted->end)).empty()) return {};
    return {RegValue::String, quoted->text, 0};
  }
  if (StartsWithText(data, "dword:")) {
    const auto number = HexDigitsToNumber(data.substr(6));
    if (!number) return {};
    return {RegValue::Dword, {}, *number};
  }
  if (StartsWithText(data, "hex(4):")) return HexDword(data.substr(7));
  if (StartsWithText(data, "hex(2):")) return HexExpandString(data.substr(7), wideData);
  if (StartsWithText(data, "hex")) return {RegValue::OtherKind, {}, 0};
  return {};  // "-" (deleted) or unreadable
}

std::string ValueLine(std::string_view name, const RegValue& value) {
  std::string line = name.empty() ? "@=" : Quote(name) + "=";
  if (value.kind == RegValue::String) return line + Quote(value.text);
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(value.number));
  return line + "dword:" + digits;
}

bool IsBlank(std::string_view line) { return TrimBlanks(line).empty(); }

bool EndsWithBackslash(std::string_view line) {
  const std::string_view text = TrimBlanks(line);
  return !text.empty() && text.back() == '\\';
}

// The text of a file that is UTF-16LE after a byte-order mark, as UTF-8.
std::optional<std::string> WideText(std::string_view file) {
  if (file.substr(0, kWideMark.size()) != kWideMark) return std::nullopt;
  return Utf16LeToUtf8(file.substr(kWideMark.size()));
}

}  // namespace

std::optional<std::size_t> RootKeyIndex(std::string_view name) {
  for (std::size_t i = 0; i < std::size(kRootKeyNames); ++i)
    if (SameTextAscii(name, kRootKeyNames[i])) return i;
  return std::nullopt;
}

RegDocument::RegDocument(std::string_view file) : RegDocument(file, WideText(file)) {}

RegDocument::RegDocument(std::string_view file, const std::optional<std::string>& wideText)
    : lines_(wideText       ? *wideText
             : file.empty() ? std::string(kHeader) + "\r\n"
                            : std::string(file)),
      wide_(wideText.has_value()) {
  Index();
}

std::string RegDocument::Text() const {
  // Every line of a wide document is UTF-8 text: decoded, or written after Fits().
  return wide_ ? std::string(kWideMark) + Utf8ToUtf16Le(lines_.Join()).value() : lines_.Join();
}

void RegDocument::Index() {
  items_.clear();
  const std::string_view header = lines_.Count() > 0 ? TrimBlanks(lines_.Line(0)) : "";
  isExport_ = header == kHeader || header == kOldHeader;
  const bool wideData = header == kHeader;
  if (!isExport_) return;
  for (std::size_t i = 1; i < lines_.Count();) {
    Item item;
    item.first = i;
    item.last = i + 1;
    const std::string_view line = TrimBlanks(lines_.Line(i));
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      const std::string_view path = line.substr(1, line.size() - 2);
      const bool deletion = !path.empty() && path[0] == '-';
      item.kind = deletion ? Item::KeyDeletion : Item::KeyBlock;
      item.name = deletion ? path.substr(1) : path;
    } else if (!line.empty() && (line[0] == '"' || line[0] == '@')) {
      const auto quoted = line[0] == '"' ? ReadQuoted(line) : Quoted{"", 1};
      const std::string_view rest = quoted ? TrimBlanks(line.substr(quoted->end)) : "";
      if (!rest.empty() && rest[0] == '=') {
        std::string data(TrimBlanks(rest.substr(1)));
        // Binary data may go on over lines that end in a backslash. Whether it goes on
        // depends on the line just joined alone: blanks before a joined line's end can
        // leave an earlier backslash last in the data.
        bool goesOn = StartsWithText(data, "hex") && EndsWithBackslash(data);
        while (goesOn && item.last < lines_.Count()) {
          data.pop_back();  // the backslash: data and joined lines are trimmed
          const std::string_view next = TrimBlanks(lines_.Line(item.last++));
          goesOn = EndsWithBackslash(next);
          data += next;
        }
        item.kind = Item::Value;
        item.name = quoted->text;
        item.value = ParseData(data, wideData);
      }
    }
    i = item.last;
    items_.push_back(std::move(item));
  }
}

bool RegDocument::KeyExists(std::string_view path) const {
  bool exists = false;
  for (const Item& item : items_) {
    if (item.kind == Item::KeyDeletion && IsWithin(path, item.name)) exists = false;
    if (item.kind == Item::KeyBlock && IsWithin(item.name, path)) exists = true;
  }
  return exists;
}

RegValue RegDocument::Read(std::string_view path, std::string_view name) const {
  RegValue value;
  bool inKey = false;
  for (const Item& item : items_) {
    if (item.kind == Item::KeyDeletion) {
      if (IsWithin(path, item.name)) value = {};
      inKey = false;
    } else if (item.kind == Item::KeyBlock) {
      inKey = SameTextAscii(item.name, path);
    } else if (item.kind == Item::Value && inKey && SameTextAscii(item.name, name)) {
      value = item.value;
    }
  }
  return value;
}

// Fits on one line of the file, in its encoding.
bool RegDocument::Fits(std::string_view text) const {
  return !HoldsLineBreak(text) && (!wide_ || Utf8ToUtf16Le(text));
}

// A key path below a root key (so no deletion either) that fits on a header line.
bool RegDocument::IsWritablePath(std::string_view path) const {
  return isExport_ && IsRootKey(path.substr(0, path.find('\\'))) && Fits(path);
}

bool RegDocument::CreateKey(std::string_view path) {
  if (!IsWritablePath(path)) return false;
  if (!KeyExists(path)) AppendBlock(path);
  return true;
}

void RegDocument::AppendBlock(std::string_view path) {
  if (!IsBlank(lines_.Line(lines_.Count() - 1))) lines_.Insert(lines_.Count(), "");
  lines_.Insert(lines_.Count(), "[" + std::string(path) + "]");
  Index();
}

// Just after the last line of the block that is not blank.
std::size_t RegDocument::BlockEnd(std::size_t block) const {
  std::size_t end = items_[block].last;
  for (std::size_t i = block + 1; i < items_.size(); ++i) {
    const Item& item = items_[i];
    if (item.kind == Item::KeyBlock || item.kind == Item::KeyDeletion) break;
    if (!IsBlank(lines_.Line(item.last - 1))) end = item.last;
  }
  return end;
}

bool RegDocument::Write(std::string_view path, std::string_view name, const RegValue& value) {
  if (!IsWritablePath(path) || !Fits(name) || !Fits(value.text)) return false;
  // The line that an import applies last for this value, else the key's last block.
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t block = kNone;
  std::size_t existing = kNone;
  bool inKey = false;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const Item& item = items_[i];
    if (item.kind == Item::KeyDeletion) {
      if (IsWithin(path, item.name)) block = existing = kNone;
      inKey = false;
    } else if (item.kind == Item::KeyBlock) {
      inKey = SameTextAscii(item.name, path);
      if (inKey) block = i;
    } else if (item.kind == Item::Value && inKey && SameTextAscii(item.name, name)) {
      existing = i;
    }
  }
  if (existing != kNone) {
    // The file's own spelling of the name stays.
    const Item& item = items_[existing];
    lines_.ReplaceRange(item.first, item.last, ValueLine(item.name, value));
  } else {
    if (block == kNone) {
      AppendBlock(path);
      block = items_.size() - 1;
    }
    std::size_t at = BlockEnd(block);
    // A line ending in a backslash would carry the new line into its binary data.
    if (EndsWithBackslash(lines_.Line(at - 1))) lines_.Insert(at++, "");
    lines_.Insert(at, ValueLine(name, value));
  }
  Index();
  return true;
}

namespace {

std::string Message(std::string_view text, std::string_view name) {
  return std::string(text) + " pour '" + std::string(name) + "'";
}

}  // namespace

TRegistry::TRegistry(std::string fileName) : backend_(MakeRegistryFile(std::move(fileName))) {}

bool TRegistry::OpenKey(std::string_view key, bool canCreate) {
  if (!IsRootKey(rootKey_)) return false;
  std::string path = !key.empty() && key[0] == '\\' ? "" : currentPath_;
  while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
  if (!key.empty()) path += (path.empty() ? "" : "\\") + std::string(key);
  const std::string full = FullPath(path);
  if (!backend_->KeyExists(full) && !(canCreate && backend_->CreateKey(full))) return false;
  currentPath_ = path;
  return true;
}

std::string TRegistry::FullPath(const std::string& path) const {
  return path.empty() ? rootKey_ : rootKey_ + "\\" + path;
}

RegValue TRegistry::ReadValue(std::string_view name) const {
  return backend_->Read(FullPath(currentPath_), name);
}

void TRegistry::WriteValue(std::string_view name, const RegValue& value) {
  if (!IsRootKey(rootKey_) || !backend_->Write(FullPath(currentPath_), name, value))
    throw ERegistryException(Message("Erreur à définition des données", name));
}

void TRegistry::WriteString(std::string_view name, std::string_view text) {
  WriteValue(name, {RegValue::String, std::string(text), 0});
}

void TRegistry::WriteInteger(std::string_view name, std::int32_t value) {
  WriteValue(name, {RegValue::Dword, {}, static_cast<std::uint32_t>(value)});
}

std::string TRegistry::ReadString(std::string_view name) const {
  const RegValue value = ReadValue(name);
  if (value.kind == RegValue::Dword || value.kind == RegValue::OtherKind)
    throw ERegistryException(Message("Type de données incorrect", name));
  return value.text;
}

std::int32_t TRegistry::ReadInteger(std::string_view name) const {
  const RegValue value = ReadValue(name);
  if (value.kind == RegValue::Missing)
    throw ERegistryException(Message("Erreur à l'obtention des données", name));
  if (value.kind != RegValue::Dword)
    throw ERegistryException(Message("Type de données incorrect", name));
  return static_cast<std::int32_t>(value.number);
}
