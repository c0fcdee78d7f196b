#pragma once

#include <chrono>

namespace test_support {

// CPU time used by the calling thread so far: tells a sleeping wait from a spinning one.
std::chrono::microseconds ThreadCpuTime();
// The same for the whole process, whose other threads may be the ones to spin.
std::chrono::microseconds ProcessCpuTime();

}  // namespace test_support
