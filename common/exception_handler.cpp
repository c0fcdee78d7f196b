#include "common/exception_handler.h"

#include <iostream>
#include <mutex>
#include <stdexcept>

namespace appexceptions {

namespace {

std::mutex& Mutex() {
  static std::mutex mutex;
  return mutex;
}

Handler& Installed() {
  static Handler handler;
  return handler;
}

void WriteToStandardError(std::exception_ptr error) noexcept {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    std::cerr << e.what() << std::endl;
  } catch (...) {
    std::cerr << "Unknown error" << std::endl;
  }
}

}  // namespace

void SetHandler(Handler handler) {
  std::lock_guard lock(Mutex());
  Installed() = std::move(handler);
}

// A handler that fails (a message box that cannot be shown) must not take the reporting
// thread down: an event thread would end in std::terminate. The error goes to standard
// error instead.
void Report(std::exception_ptr error) noexcept {
  try {
    Handler handler;
    {
      std::lock_guard lock(Mutex());
      handler = Installed();
    }
    if (handler) {
      handler(error);
      return;
    }
  } catch (...) {
  }
  WriteToStandardError(error);
}

}  // namespace appexceptions
