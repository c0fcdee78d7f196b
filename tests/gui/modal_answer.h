#pragma once

#include <QWidget>
#include <functional>

// Answers the next modal dialog once it shows: runs `answer` on it from the dialog's own
// loop. A dialog that `answer` leaves open is rejected, so a failing test cannot hang.
void AnswerNextModal(std::function<void(QWidget*)> answer);
