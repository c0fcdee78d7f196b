#include "ui/error_report.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "common/exception_handler.h"
#include "support/scripted_dialogs.h"

namespace {

TEST(FullStopRule, AddsAFullStopOnlyAfterBytesThatSortAfterIt) {
  const struct {
    std::string message;
    std::string shown;
  } cases[] = {
      {"Erreur de lecture", "Erreur de lecture."},
      {"Aucune réponse, vérifiez le port", "Aucune réponse, vérifiez le port."},
      {"Buffer vidé", "Buffer vidé."},  // last byte 0xA9 of é, compared unsigned
      {"Range check error (5)", "Range check error (5)"},
      {"Déjà terminé.", "Déjà terminé."},
      {"Fin !", "Fin !"},
      {"Fin ", "Fin "},
      {"Continuer ?", "Continuer ?."},
      {"Port 2", "Port 2."},
      {"/", "/."},
      {"-", "-"},
      {"", ""},
      {std::string("nul\0", 4), std::string("nul\0", 4)},
  };
  for (const auto& c : cases) EXPECT_EQ(ui::WithFullStop(c.message), c.shown) << c.message;
}

TEST(ErrorBox, ShowsTheMessageOfAnyErrorUnderTheGivenTitle) {
  ScriptedDialogs dialogs;
  ui::ShowErrorBox(dialogs, "Belvanto",
                   std::make_exception_ptr(std::runtime_error("Erreur d'écriture")));
  ui::ShowErrorBox(dialogs, "Belvanto", std::make_exception_ptr(42));
  ui::ShowErrorBox(dialogs, "Belvanto", std::make_exception_ptr(std::runtime_error("")));
  const std::vector<ScriptedDialogs::Shown> expected = {
      {"error", "Belvanto", "Erreur d'écriture."},
      {"error", "Belvanto", "Erreur inconnue."},
      {"error", "Belvanto", ""},
  };
  EXPECT_EQ(dialogs.shown(), expected);
}

class CommandGuard : public ::testing::Test {
 protected:
  void SetUp() override {
    appexceptions::SetHandler([this](std::exception_ptr e) { reported.push_back(e); });
  }
  void TearDown() override { appexceptions::SetHandler({}); }

  std::vector<std::exception_ptr> reported;
};

TEST_F(CommandGuard, HandsAnEscapingErrorToTheApplicationHandlerOnce) {
  bool after = false;
  ui::RunGuarded([] { throw std::runtime_error("ATR non reconnu : carte non valide"); });
  after = true;
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(ui::MessageOf(reported[0]), "ATR non reconnu : carte non valide");
  EXPECT_TRUE(after);
}

TEST_F(CommandGuard, ReportsNothingWhenTheHandlerEndsNormally) {
  int runs = 0;
  ui::RunGuarded([&] { ++runs; });
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(reported.empty());
}

TEST(ApplicationHandler, AFailingHandlerStaysInsideTheReport) {
  appexceptions::SetHandler([](std::exception_ptr) { throw std::runtime_error("no box"); });
  ::testing::internal::CaptureStderr();
  EXPECT_NO_THROW(appexceptions::Report(std::make_exception_ptr(std::runtime_error("gone"))));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "gone\n");
  appexceptions::SetHandler({});
}

}  // namespace
