#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A small text file held line by line, so that changing one line leaves every other
// byte of the file as it was: line endings, a missing final line end and a UTF-8
// byte-order mark survive. CR LF, LF and a lone CR each end a line, as for the tools
// that read these files, so that a line written after a lone CR stays a line of its own.
class TextLines {
 public:
  explicit TextLines(std::string_view text);

  std::size_t Count() const { return lines_.size(); }
  // Line i without its line end (and without the byte-order mark).
  const std::string& Line(std::size_t i) const { return lines_[i].text; }

  // Inserts a new line before line i (i == Count() appends), ending it as the line
  // before it ends (line 0 as the file's first line ends, CR LF in a file without one).
  void Insert(std::size_t i, std::string text);
  // Replaces lines [first, last) by one line that ends as the last of them did.
  void ReplaceRange(std::size_t first, std::size_t last, std::string text);

  std::string Join() const;

 private:
  struct Entry {
    std::string text;
    std::string ending;
  };
  std::string byteOrderMark_;
  std::vector<Entry> lines_;
  std::string newline_;
};

// A store file as it was found on disk.
struct StoreFile {
  enum State {
    Missing,   // does not exist: a write creates it
    Loaded,    // `text` holds it whole
    Unusable,  // exists but cannot be read whole (no access, not a file, too large):
               // reads find nothing in it and writes must leave it alone
  };
  State state = Missing;
  std::string text;
};

StoreFile ReadStoreFile(const std::string& name);

// Reads the file (a missing one as empty text), lets `edit` change its text and
// replaces the file atomically when the text changed. False, with the file as it was, when the file
// could not be read whole, `edit` refused, or the write failed.
bool EditStoreFile(const std::string& name, const std::function<bool(std::string& text)>& edit);

// EditStoreFile through a document type built from the text, changed by `change` (false:
// refused) and turned back into text by its Text().
template <class Document, class Change>
bool EditStoreDocument(const std::string& name, Change change) {
  return EditStoreFile(name, [&](std::string& text) {
    Document document(text);
    if (!change(document)) return false;
    text = document.Text();
    return true;
  });
}
