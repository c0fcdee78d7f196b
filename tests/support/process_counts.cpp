#include "process_counts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

void ExpectNoLeakSince(const ProcessCounts& before) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  ProcessCounts now = ProcessCounts::Now();
  // Fewer than before is no leak: a thread that was ending when `before` was taken.
  while ((now.descriptors > before.descriptors || now.threads > before.threads) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    now = ProcessCounts::Now();
  }
  EXPECT_LE(now.descriptors, before.descriptors) << "descriptors leaked";
  EXPECT_LE(now.threads, before.threads) << "threads leaked";
}
