#pragma once

#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "ui/dialogs.h"

// Answers the window's dialogs from a script and records every dialog shown. A dialog
// for which no answer was scripted fails the test and is answered as cancelled (No).
class ScriptedDialogs : public ui::Dialogs {
 public:
  struct Shown {
    std::string kind;  // "open", "save", "warning" or "error"
    std::string title;
    std::string text;
    bool operator==(const Shown&) const = default;
    // A failed comparison shows the texts, not the bytes of the object.
    friend void PrintTo(const Shown& shown, std::ostream* out) {
      *out << shown.kind << " \"" << shown.title << "\": \"" << shown.text << '"';
    }
  };

  // Answers for the next file dialogs, in order; nothing means "cancelled".
  void AnswerFile(std::optional<std::string> path);
  // Answers for the next warnings, in order.
  void AnswerWarning(bool yes);

  const std::vector<Shown>& shown() const { return shown_; }

  std::optional<std::string> ChooseFileToOpen() override;
  std::optional<std::string> ChooseFileToSave() override;
  bool ConfirmWarning(const std::string& text) override;
  void ShowError(const std::string& title, const std::string& text) override;

 private:
  std::optional<std::string> NextFile(const std::string& kind);

  std::deque<std::optional<std::string>> files_;
  std::deque<bool> warnings_;
  std::vector<Shown> shown_;
};
