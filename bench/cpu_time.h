#pragma once

#include <chrono>

using CpuSeconds = std::chrono::duration<double>;

// CPU time used so far by the whole process: every thread, those that ended included,
// in user and system mode.
CpuSeconds ProcessCpuTime();
// CPU time used so far by the calling thread alone.
CpuSeconds ThreadCpuTime();
