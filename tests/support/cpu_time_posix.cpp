#include <sys/resource.h>

#include "support/cpu_time.h"

namespace test_support {

namespace {

std::chrono::microseconds CpuTimeOf(int who) {
  rusage usage{};
  getrusage(who, &usage);
  const auto total = [](const timeval& t) {
    return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
  };
  return total(usage.ru_utime) + total(usage.ru_stime);
}

}  // namespace

std::chrono::microseconds ThreadCpuTime() { return CpuTimeOf(RUSAGE_THREAD); }

std::chrono::microseconds ProcessCpuTime() { return CpuTimeOf(RUSAGE_SELF); }

}  // namespace test_support
