#include "ui/qt/dialogs.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "modal_answer.h"

namespace {

QStringList ButtonTexts(QMessageBox* box) {
  QStringList texts;
  for (QAbstractButton* button : box->buttons()) texts << button->text();
  texts.sort();
  return texts;
}

QAbstractButton* ButtonWithText(QMessageBox* box, const QString& text) {
  for (QAbstractButton* button : box->buttons())
    if (button->text() == text) return button;
  ADD_FAILURE() << "no button " << text.toStdString();
  return nullptr;
}

TEST(QtDialogs, FileFilterBecomesQtsNameFilters) {
  EXPECT_EQ(ui::qt::NameFilters(ui::kFileFilter),
            (QStringList{"Fichiers Binaires (*.bin)", "Tous les fichiers (*)",
                         "Fichiers Intel HEX (*.hex *.ihx)",
                         "Fichiers S-record Motorola (*.s19 *.s28 *.s37 *.srec *.mot)"}));
  EXPECT_EQ(ui::qt::NameFilters("Images|*.bin; *.rom;*.*"), QStringList{"Images (*.bin *.rom *)"});
  EXPECT_EQ(ui::qt::NameFilters(""), QStringList{});
}

TEST(QtDialogs, WarningAsksWithOuiAndNonOnTwoLines) {
  ui::qt::QtDialogs dialogs;
  const struct {
    QString click;
    bool answer;
  } cases[] = {{"&Oui", true}, {"&Non", false}, {"", false}};  // "": closed with Escape
  for (const auto& c : cases) {
    AnswerNextModal([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->windowTitle(), "Avertissement");
      EXPECT_EQ(box->icon(), QMessageBox::Warning);
      EXPECT_EQ(box->text(), "Le contenu du buffer sera perdu.\nVoulez-vous continuer ?");
      EXPECT_EQ(ButtonTexts(box), (QStringList{"&Non", "&Oui"}));
      if (!c.click.isEmpty()) ButtonWithText(box, c.click)->click();
    });
    EXPECT_EQ(dialogs.ConfirmWarning("Le contenu du buffer sera perdu.\rVoulez-vous continuer ?"),
              c.answer)
        << c.click.toStdString();
  }
}

TEST(QtDialogs, ErrorBoxHasTheTitleAnErrorIconAndOneOk) {
  ui::qt::QtDialogs dialogs;
  AnswerNextModal([](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Belvanto");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->text(), "Fichier <image.bin> introuvable.");
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    ASSERT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->standardButton(box->buttons()[0]), QMessageBox::Ok);
    box->buttons()[0]->click();
  });
  dialogs.ShowError("Belvanto", "Fichier <image.bin> introuvable.");
}

class FileDialogs : public ::testing::Test {
 protected:
  // Types `name` into the next file dialog and accepts it, after checking its filters.
  void TypeIntoNextFileDialog(const QString& name, bool accept = true) {
    AnswerNextModal([=, this](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->nameFilters(), ui::qt::NameFilters(ui::kFileFilter));
      EXPECT_EQ(dialog->defaultSuffix(), "bin");
      dialog->setDirectory(folder.path());
      dialog->selectFile(name);
      if (accept) static_cast<QDialog*>(dialog)->accept();  // as the dialog's own button
    });
  }

  QTemporaryDir folder;
  ui::qt::QtDialogs dialogs;
};

TEST_F(FileDialogs, SaveAddsTheDefaultExtensionToANameWithoutOne) {
  TypeIntoNextFileDialog("image");
  EXPECT_EQ(dialogs.ChooseFileToSave(), QDir(folder.path()).filePath("image.bin").toStdString());
  TypeIntoNextFileDialog("image.rom");
  EXPECT_EQ(dialogs.ChooseFileToSave(), QDir(folder.path()).filePath("image.rom").toStdString());
}

TEST_F(FileDialogs, OpenGivesTheFullPathOfTheChosenFile) {
  const QString path = QDir(folder.path()).filePath("carte.bin");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  TypeIntoNextFileDialog("carte.bin");
  EXPECT_EQ(dialogs.ChooseFileToOpen(), path.toStdString());
}

TEST_F(FileDialogs, CancelledDialogsGiveNothing) {
  TypeIntoNextFileDialog("image", false);
  EXPECT_EQ(dialogs.ChooseFileToSave(), std::nullopt);
  TypeIntoNextFileDialog("image", false);
  EXPECT_EQ(dialogs.ChooseFileToOpen(), std::nullopt);
}

}  // namespace
