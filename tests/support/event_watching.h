#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/comport_types.h"
#include "common/exception_handler.h"
#include "common/handover.h"

namespace test_support {

// Collects the messages of what reaches the application-wide exception handler while
// it lives, from any thread.
class ReportedMessages {
 public:
  ReportedMessages();
  ~ReportedMessages();
  ReportedMessages(const ReportedMessages&) = delete;
  ReportedMessages& operator=(const ReportedMessages&) = delete;

  std::vector<std::string> Messages() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> messages_;
};

// Names the instances of a test run in each hand-over mode.
std::string SyncMethodName(const ::testing::TestParamInfo<TSyncMethod>& info);

// Serves the calling thread's hand-overs until `condition` holds or `limit` passes;
// returns whether it holds. For waits with nothing to be set when they end.
template <typename Condition>
bool ServeWhileWaiting(Condition&& condition,
                       std::chrono::milliseconds limit = std::chrono::seconds(5)) {
  const handover::Completion never;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    handover::ServeUntil(never, std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace test_support
