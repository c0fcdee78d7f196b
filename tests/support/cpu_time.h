#pragma once

#include <chrono>

namespace test_support {

// CPU time this process has used so far, all threads together (std::clock measures
// wall time on Windows).
std::chrono::duration<double> ProcessCpuTime();

}  // namespace test_support
