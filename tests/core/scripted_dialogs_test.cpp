#include "support/scripted_dialogs.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

using Shown = ScriptedDialogs::Shown;

TEST(ScriptedDialogs, AnswersInOrderAndRecordsEveryDialog) {
  ScriptedDialogs dialogs;
  dialogs.AnswerFile("/tmp/carte.bin");
  dialogs.AnswerFile(std::nullopt);
  dialogs.AnswerWarning(true);
  dialogs.AnswerWarning(false);
  EXPECT_EQ(dialogs.ChooseFileToOpen(), "/tmp/carte.bin");
  EXPECT_EQ(dialogs.ChooseFileToSave(), std::nullopt);
  EXPECT_TRUE(dialogs.ConfirmWarning("Continuer ?"));
  EXPECT_FALSE(dialogs.ConfirmWarning("Continuer ?"));
  const std::vector<Shown> expected = {{"open", "", ""},
                                       {"save", "", ""},
                                       {"warning", "Avertissement", "Continuer ?"},
                                       {"warning", "Avertissement", "Continuer ?"}};
  EXPECT_EQ(dialogs.shown(), expected);
}

TEST(ScriptedDialogs, UnscriptedDialogFailsTheTestAndCountsAsCancelled) {
  ScriptedDialogs dialogs;
  std::optional<std::string> file = "unchanged";
  bool yes = true;
  EXPECT_NONFATAL_FAILURE(file = dialogs.ChooseFileToOpen(), "unexpected open file dialog");
  EXPECT_NONFATAL_FAILURE(yes = dialogs.ConfirmWarning("Continuer ?"),
                          "unexpected warning: Continuer ?");
  EXPECT_EQ(file, std::nullopt);
  EXPECT_FALSE(yes);
}

}  // namespace
