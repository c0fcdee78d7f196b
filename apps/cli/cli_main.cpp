#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "apps/cli/cli.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const int status = cli::Run(args, {std::cout, std::cerr, STDERR_FILENO});
  std::cout.flush();
  return status;
}
