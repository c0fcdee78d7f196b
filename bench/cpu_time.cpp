#include "cpu_time.h"

#include <sys/resource.h>

#include <ctime>

CpuSeconds ProcessCpuTime() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return CpuSeconds(seconds(usage.ru_utime) + seconds(usage.ru_stime));
}

CpuSeconds ThreadCpuTime() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return CpuSeconds(now.tv_sec + now.tv_nsec / 1e9);
}
