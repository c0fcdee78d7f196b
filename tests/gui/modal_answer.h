#pragma once

#include <QWidget>
#include <chrono>
#include <functional>

// Answers the next modal dialog once it shows: runs `answer` on it from the dialog's own
// loop. A dialog that `answer` leaves open is rejected, so a failing test cannot hang.
// No dialog within `limit`, or none before the asking test ends, fails that test, and
// the answer is dropped rather than given to a later test's dialog.
void AnswerNextModal(std::function<void(QWidget*)> answer,
                     std::chrono::milliseconds limit = std::chrono::seconds(5));
