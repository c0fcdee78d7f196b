#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

void ScriptedDialogs::AnswerFile(std::optional<std::string> path) {
  files_.push_back(std::move(path));
}

void ScriptedDialogs::AnswerWarning(bool yes) { warnings_.push_back(yes); }

std::optional<std::string> ScriptedDialogs::NextFile(const std::string& kind) {
  shown_.push_back({kind, "", ""});
  if (files_.empty()) {
    ADD_FAILURE() << "unexpected " << kind << " file dialog";
    return std::nullopt;
  }
  auto answer = std::move(files_.front());
  files_.pop_front();
  return answer;
}

std::optional<std::string> ScriptedDialogs::ChooseFileToOpen() { return NextFile("open"); }

std::optional<std::string> ScriptedDialogs::ChooseFileToSave() { return NextFile("save"); }

bool ScriptedDialogs::ConfirmWarning(const std::string& text) {
  shown_.push_back({"warning", ui::kWarningTitle, text});
  if (warnings_.empty()) {
    ADD_FAILURE() << "unexpected warning: " << text;
    return false;
  }
  const bool yes = warnings_.front();
  warnings_.pop_front();
  return yes;
}

void ScriptedDialogs::ShowError(const std::string& title, const std::string& text) {
  shown_.push_back({"error", title, text});
}
