#include "ui/error_report.h"

#include "common/exception_handler.h"

namespace ui {

std::string WithFullStop(std::string message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  return message;
}

std::string MessageOf(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Erreur inconnue";
  }
}

void ShowErrorBox(Dialogs& dialogs, const std::string& title, std::exception_ptr error) {
  dialogs.ShowError(title, WithFullStop(MessageOf(error)));
}

void RunGuarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (...) {
    appexceptions::Report(std::current_exception());
  }
}

}  // namespace ui
