#include "ui/qt/dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace ui::qt {

namespace {

// Texts keep the CR line breaks of their origin; Qt breaks lines at LF.
QString DisplayText(const std::string& text) {
  return QString::fromStdString(text).replace("\r\n", "\n").replace('\r', '\n');
}

// Patterns in the Windows form are separated by ";" and "*.*" matches every file there;
// Qt separates them by blanks and reads "*.*" literally, a name with a dot.
QString QtPatterns(const QString& patterns) {
  QStringList list = patterns.split(';', Qt::SkipEmptyParts);
  for (QString& pattern : list) {
    pattern = pattern.trimmed();
    if (pattern == "*.*") pattern = "*";
  }
  return list.join(' ');
}

}  // namespace

QStringList NameFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    filters << QString("%1 (%2)").arg(parts[i], QtPatterns(parts[i + 1]));
  return filters;
}

std::optional<std::string> QtDialogs::ChooseFile(QFileDialog::AcceptMode mode) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  dialog.setNameFilters(NameFilters(kFileFilter));
  dialog.setDefaultSuffix(kDefaultExtension);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtDialogs::ChooseFileToOpen() {
  return ChooseFile(QFileDialog::AcceptOpen);
}

std::optional<std::string> QtDialogs::ChooseFileToSave() {
  return ChooseFile(QFileDialog::AcceptSave);
}

bool QtDialogs::ConfirmWarning(const std::string& text) {
  // No parent: Qt then centres the box on the screen.
  QMessageBox box(QMessageBox::Warning, kWarningTitle, DisplayText(text));
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  QPushButton* yes = box.addButton(kYesCaption, QMessageBox::YesRole);
  QPushButton* no = box.addButton(kNoCaption, QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

void QtDialogs::ShowError(const std::string& title, const std::string& text) {
  QMessageBox box(QMessageBox::Critical, QString::fromStdString(title), DisplayText(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace ui::qt
