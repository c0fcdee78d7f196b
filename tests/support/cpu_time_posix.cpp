#include <ctime>

#include "support/cpu_time.h"

namespace test_support {

std::chrono::duration<double> ProcessCpuTime() {
  return std::chrono::duration<double>(double(std::clock()) / CLOCKS_PER_SEC);
}

}  // namespace test_support
