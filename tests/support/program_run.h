#pragma once

#include <string>
#include <vector>

namespace test_support {

struct ProgramResult {
  int status = -1;  // the exit status, or 128 + the signal that ended the program
  std::string out;
  std::string err;
};

// The path of a program built beside the tests: in $BELVANTO_TEST_BIN (set by CTest),
// else in the folder of the running test binary.
std::string BuiltProgram(const std::string& name);

// Runs `program` with `args` (stdin from /dev/null) and waits for its end, collecting
// what it writes. With `errorFd` >= 0, standard error goes there instead of into `err`.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         int errorFd = -1);

}  // namespace test_support
