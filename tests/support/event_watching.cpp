#include "event_watching.h"

#include <stdexcept>

namespace test_support {

std::string SyncMethodName(const ::testing::TestParamInfo<TSyncMethod>& info) {
  const char* const names[] = {"ThreadSync", "WindowSync", "None"};
  return names[info.param];
}

ReportedMessages::ReportedMessages() {
  appexceptions::SetHandler([this](std::exception_ptr error) {
    std::string message = "unknown";
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      message = e.what();
    } catch (...) {
    }
    std::lock_guard lock(mutex_);
    messages_.push_back(message);
  });
}

ReportedMessages::~ReportedMessages() { appexceptions::SetHandler({}); }

std::vector<std::string> ReportedMessages::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

}  // namespace test_support
