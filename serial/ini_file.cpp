#include "serial/ini_file.h"

#include <string>

#include "serial/text_syntax.h"

namespace {

struct ParsedLine {
  enum Kind { Section, Key, Other };
  Kind kind = Other;
  std::string_view name;  // section name or key
  std::string_view value;
};

ParsedLine Parse(std::string_view line) {
  const std::string_view text = TrimBlanks(line);
  if (!text.empty() && text[0] == '[') {
    const auto close = text.rfind(']');
    if (close == std::string_view::npos) return {};
    return {ParsedLine::Section, TrimBlanks(text.substr(1, close - 1)), {}};
  }
  const auto equals = text.find('=');
  if (text.empty() || text[0] == ';' || equals == std::string_view::npos) return {};
  return {ParsedLine::Key, TrimBlanks(text.substr(0, equals)), TrimBlanks(text.substr(equals + 1))};
}

bool InQuotes(std::string_view value) {
  return value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0];
}

std::string_view Unquoted(std::string_view value) {
  return InQuotes(value) ? value.substr(1, value.size() - 2) : value;
}

// A value that reading would change (blanks at an end, enclosing quotes) is written
// in quotes, so that it reads back exactly.
std::string StoredForm(std::string_view value) {
  if (TrimBlanks(value).size() == value.size() && !InQuotes(value)) return std::string(value);
  return "\"" + std::string(value) + "\"";
}

bool IsName(std::string_view name) {
  return TrimBlanks(name).size() == name.size() && !HoldsLineBreak(name);
}

bool Storable(std::string_view section, std::string_view key, std::string_view value) {
  return IsName(section) && IsName(key) && !key.empty() && key[0] != '[' && key[0] != ';' &&
         key.find('=') == std::string_view::npos && !HoldsLineBreak(value);
}

}  // namespace

struct IniDocument::Place {
  bool sectionFound = false;
  std::optional<std::size_t> keyLine;
  std::size_t insertAt = 0;  // after the last non-blank line of the section
};

IniDocument::Place IniDocument::Locate(std::string_view section, std::string_view key) const {
  Place place;
  bool inSection = false;
  for (std::size_t i = 0; i < lines_.Count(); ++i) {
    const ParsedLine line = Parse(lines_.Line(i));
    if (line.kind == ParsedLine::Section) {
      if (place.sectionFound) break;
      inSection = SameTextAscii(line.name, section);
      place.sectionFound = inSection;
    }
    if (!inSection) continue;
    if (!TrimBlanks(lines_.Line(i)).empty()) place.insertAt = i + 1;
    if (line.kind == ParsedLine::Key && !place.keyLine && SameTextAscii(line.name, key))
      place.keyLine = i;
  }
  return place;
}

std::optional<std::string> IniDocument::Read(std::string_view section, std::string_view key) const {
  const Place place = Locate(section, key);
  if (!place.keyLine) return std::nullopt;
  return std::string(Unquoted(Parse(lines_.Line(*place.keyLine)).value));
}

bool IniDocument::Write(std::string_view section, std::string_view key, std::string_view value) {
  if (!Storable(section, key, value)) return false;
  const Place place = Locate(section, key);
  const std::string stored = StoredForm(value);
  if (place.keyLine) {
    // The file's own spelling of the key stays.
    const std::string spelling(Parse(lines_.Line(*place.keyLine)).name);
    lines_.ReplaceRange(*place.keyLine, *place.keyLine + 1, spelling + "=" + stored);
  } else if (place.sectionFound) {
    lines_.Insert(place.insertAt, std::string(key) + "=" + stored);
  } else {
    if (lines_.Count() > 0 && !TrimBlanks(lines_.Line(lines_.Count() - 1)).empty())
      lines_.Insert(lines_.Count(), "");
    lines_.Insert(lines_.Count(), "[" + std::string(section) + "]");
    lines_.Insert(lines_.Count(), std::string(key) + "=" + stored);
  }
  return true;
}

EIniFileException::EIniFileException(const std::string& fileName)
    : std::runtime_error("Impossible d'écrire dans " + fileName) {}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback) const {
  return IniDocument(ReadStoreFile(fileName_).text)
      .Read(section, key)
      .value_or(std::string(fallback));
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const bool written = EditStoreDocument<IniDocument>(
      fileName_, [&](IniDocument& document) { return document.Write(section, key, value); });
  if (!written) throw EIniFileException(fileName_);
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                                   std::int32_t fallback) const {
  return TextToInteger(ReadString(section, key, "")).value_or(fallback);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}
