// The harness's own guard: a hung program is killed and fails the test.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <csignal>

#include "support/program_run.h"

using namespace std::chrono_literals;

TEST(Harness, AProgramPastItsTimeLimitIsKilledAndFailsTheTest) {
  static test_support::ProgramResult result;  // static: the failure check runs it apart
  EXPECT_NONFATAL_FAILURE(result = test_support::RunProgram("/bin/sleep", {"30"}, -1, 1s),
                          "/bin/sleep was still running at its time limit and was killed");
  EXPECT_EQ(result.status, 128 + SIGKILL);
}
