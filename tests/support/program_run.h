#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace test_support {

struct ProgramResult {
  int status = -1;  // the exit status, or 128 + the signal that ended the program
  std::string out;
  std::string err;
};

// How long a program started by a test may run: far beyond what any run needs, even
// under the sanitizers on a busy machine, so that only a hung program reaches it.
inline constexpr std::chrono::seconds kProgramTimeLimit{120};

// The path of a program built beside the tests: in $BELVANTO_TEST_BIN (set by CTest),
// else in the folder of the running test binary.
std::string BuiltProgram(const std::string& name);

// Runs `program` with `args` (stdin from /dev/null) and waits for its end, collecting
// what it writes. With `errorFd` >= 0, standard error goes there instead of into `err`.
// A program still running after `limit` is killed and the test fails.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         int errorFd = -1, std::chrono::seconds limit = kProgramTimeLimit);

// Waits for the end of the child `pid` until `deadline`; one still running then is
// killed and the test fails, naming it `name`. Returns the status as ProgramResult has it.
int AwaitChild(pid_t pid, const std::string& name, std::chrono::steady_clock::time_point deadline);

}  // namespace test_support
