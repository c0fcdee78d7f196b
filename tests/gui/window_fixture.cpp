#include "gui/window_fixture.h"

#include <QTextDocument>

void WindowTest::Load(const std::string& path) {
  dialogs.AnswerFile(path);
  form.btCharger->click();
}

std::string WindowTest::Status() const { return form.StatusPanel->text().toStdString(); }

std::string WindowTest::Listing() const {
  return form.Memo1->document()->toRawText().replace(QChar::ParagraphSeparator, '\n').toStdString();
}

std::string WindowTest::Atr() const { return form.txtATR->text().toStdString(); }

std::vector<bool> WindowTest::Enabled() const {
  std::vector<bool> enabled;
  for (QWidget* control : std::initializer_list<QWidget*>{
           form.btCharger, form.btEnreg, form.btVider, form.btEfface, form.btEcrire,
           form.btVerifier, form.btLire, form.rdEEpromSize, form.RadioGroup1})
    enabled.push_back(control->isEnabled());
  return enabled;
}

std::vector<ScriptedDialogs::Shown> WindowTest::Errors() const {
  std::vector<ScriptedDialogs::Shown> errors;
  for (const auto& shown : dialogs.shown())
    if (shown.kind == "error") errors.push_back(shown);
  return errors;
}
