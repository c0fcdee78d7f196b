#include "modal_answer.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

void AnswerNextModal(std::function<void(QWidget*)> answer) {
  auto* poll = new QTimer(QApplication::instance());
  QObject::connect(poll, &QTimer::timeout, [poll, answer = std::move(answer)] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    poll->deleteLater();
    poll->stop();
    answer(modal);
    if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible())
      dialog->reject();
  });
  poll->start(5);
}
