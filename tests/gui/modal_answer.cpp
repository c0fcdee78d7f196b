#include "modal_answer.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// The answers still polling for their dialog. The test that asked fails when it ends
// with one of them.
class PendingAnswers : public ::testing::EmptyTestEventListener {
 public:
  static PendingAnswers& Get() {
    static PendingAnswers* const listener = [] {
      auto* created = new PendingAnswers;  // owned by GoogleTest from here on
      ::testing::UnitTest::GetInstance()->listeners().Append(created);
      return created;
    }();
    return *listener;
  }

  void Add(QTimer* poll) { polls_.push_back(poll); }

  // Called from the poll's own slot: it goes once control is back in the event loop.
  void Remove(QTimer* poll) {
    polls_.erase(std::remove(polls_.begin(), polls_.end(), poll), polls_.end());
    poll->stop();
    poll->deleteLater();
  }

  // Listeners hear of a test's end before the result printer, so this failure is the
  // ending test's own.
  void OnTestEnd(const ::testing::TestInfo&) override {
    for (QTimer* poll : polls_) {
      ADD_FAILURE() << "the modal dialog to answer never showed";
      delete poll;
    }
    polls_.clear();
  }

 private:
  std::vector<QTimer*> polls_;
};

}  // namespace

void AnswerNextModal(std::function<void(QWidget*)> answer, std::chrono::milliseconds limit) {
  auto* poll = new QTimer(QApplication::instance());
  const auto deadline = std::chrono::steady_clock::now() + limit;
  PendingAnswers::Get().Add(poll);
  QObject::connect(poll, &QTimer::timeout, [poll, deadline, limit, answer = std::move(answer)] {
    QWidget* modal = QApplication::activeModalWidget();
    const bool late = std::chrono::steady_clock::now() >= deadline;
    if (!modal && !late) return;
    PendingAnswers::Get().Remove(poll);
    if (!modal) {
      ADD_FAILURE() << "no modal dialog showed within " << limit.count() << " ms";
      return;
    }
    answer(modal);
    if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible())
      dialog->reject();
  });
  poll->start(5);
}
