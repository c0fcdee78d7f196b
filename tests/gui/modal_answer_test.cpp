#include "modal_answer.h"

#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

static bool lateAnswerGiven = false;

TEST(ModalAnswer, GivesUpAtItsLimitAndLeavesALaterDialogToItsOwnAnswer) {
  EXPECT_NONFATAL_FAILURE(
      {
        AnswerNextModal([](QWidget*) { lateAnswerGiven = true; }, std::chrono::milliseconds(50));
        QEventLoop loop;
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        loop.exec();
      },
      "no modal dialog showed within 50 ms");
  bool answered = false;
  AnswerNextModal([&](QWidget*) { answered = true; });
  QMessageBox(QMessageBox::Information, "Belvanto", "later").exec();
  EXPECT_TRUE(answered);
  EXPECT_FALSE(lateAnswerGiven);
}
