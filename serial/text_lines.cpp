#include "serial/text_lines.h"

#include <filesystem>
#include <system_error>

#include "common/file_io.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Settings files are small; a larger file is not one of ours and is never rewritten.
constexpr std::size_t kStoreFileLimit = 16u << 20;

// Anything that is there, or cannot be told absent, exists.
bool Exists(const std::string& name) {
  std::error_code error;
  const auto status = std::filesystem::symlink_status(PathFromUtf8(name), error);
  return std::filesystem::exists(status) || error != std::errc::no_such_file_or_directory;
}

// Known too large before reading it.
bool TooLarge(const std::string& name) {
  std::error_code error;
  const auto size = std::filesystem::file_size(PathFromUtf8(name), error);
  return !error && size > kStoreFileLimit;
}

}  // namespace

TextLines::TextLines(std::string_view text) : newline_("\r\n") {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    byteOrderMark_ = kByteOrderMark;
    text.remove_prefix(kByteOrderMark.size());
  }
  bool newlineKnown = false;
  while (!text.empty()) {
    const auto end = text.find_first_of("\r\n");
    std::string ending;
    if (end != std::string_view::npos) {
      ending = text.substr(end, text.substr(end, 2) == "\r\n" ? 2 : 1);
      if (!newlineKnown) newline_ = ending;
      newlineKnown = true;
    }
    lines_.push_back({std::string(text.substr(0, end)), ending});
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + ending.size());
  }
}

void TextLines::Insert(std::size_t i, std::string text) {
  if (i == lines_.size() && i > 0 && lines_.back().ending.empty()) lines_.back().ending = newline_;
  // A new line ends as its neighbour does: after a lone CR, the LF ending a new blank
  // line would join that CR into one line end.
  const std::string ending = i > 0 ? lines_[i - 1].ending : newline_;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(i), {std::move(text), ending});
}

void TextLines::ReplaceRange(std::size_t first, std::size_t last, std::string text) {
  lines_[first].text = std::move(text);
  lines_[first].ending = lines_[last - 1].ending;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(first + 1),
               lines_.begin() + static_cast<std::ptrdiff_t>(last));
}

std::string TextLines::Join() const {
  std::string text = byteOrderMark_;
  for (const auto& line : lines_) text += line.text + line.ending;
  return text;
}

StoreFile ReadStoreFile(const std::string& name) {
  StoreFile file;
  if (TooLarge(name)) {
    file.state = StoreFile::Unusable;
    return file;
  }
  switch (ReadFilePrefix(name, kStoreFileLimit + 1, file.text)) {
    case FileReadResult::Ok:
      file.state = file.text.size() > kStoreFileLimit ? StoreFile::Unusable : StoreFile::Loaded;
      break;
    case FileReadResult::OpenFailed:
      file.state = Exists(name) ? StoreFile::Unusable : StoreFile::Missing;
      break;
    case FileReadResult::ReadFailed:
      file.state = StoreFile::Unusable;
      break;
  }
  if (file.state != StoreFile::Loaded) file.text.clear();
  return file;
}

bool EditStoreFile(const std::string& name, const std::function<bool(std::string& text)>& edit) {
  StoreFile file = ReadStoreFile(name);
  if (file.state == StoreFile::Unusable) return false;
  const std::string before = file.text;
  if (!edit(file.text)) return false;
  // An unchanged file is not rewritten: saving the same settings again costs no sync.
  if (file.state == StoreFile::Loaded && file.text == before) return true;
  return WriteFileAtomically(name, file.text) == 0;
}
