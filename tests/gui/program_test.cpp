// The belvanto program's command line, run as a user runs it. Every case ends before a
// window opens.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

struct Outcome {
  int status = -1;
  std::string output;  // standard output and error
};

Outcome RunBelvanto(const std::string& arguments) {
  const char* bin = std::getenv("BELVANTO_TEST_BIN");
  if (!bin) {
    ADD_FAILURE() << "BELVANTO_TEST_BIN is not set";
    return {};
  }
  const std::string command = std::string(bin) + "/belvanto " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  Outcome outcome;
  char chunk[512];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
    outcome.output.append(chunk, n);
  const int status = pclose(pipe);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

}  // namespace

TEST(BelvantoProgram, RefusesWhatItDoesNotKnowWithStatus2) {
  const struct {
    std::string arguments;
    std::string message;
  } cases[] = {
      {"--bogus", "belvanto: unknown option \"--bogus\"\n"},
      {"COM1", "belvanto: unknown option \"COM1\"\n"},
      {"--simulate --verbose", "belvanto: unknown option \"--verbose\"\n"},
      {"--map", "belvanto: --map needs a value\n"},
      {"--map COM1", "belvanto: --map expects COMn=PATH with n from 1 to 96, not \"COM1\"\n"},
      {"--sim-speed 0", "belvanto: --sim-speed expects a positive number, not \"0\"\n"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = RunBelvanto(c.arguments);
    EXPECT_EQ(outcome.status, 2) << c.arguments;
    EXPECT_EQ(outcome.output, c.message + "Try 'belvanto --help' for the options.\n")
        << c.arguments;
  }
}

TEST(BelvantoProgram, HelpListsEveryOption) {
  const Outcome outcome = RunBelvanto("--help");
  EXPECT_EQ(outcome.status, 0);
  for (const char* option : {"--map COMn=PATH", "--simulate[=IMAGE]", "--sim-speed FACTOR", "--help"})
    EXPECT_NE(outcome.output.find(option), std::string::npos) << option;
}

TEST(BelvantoProgram, UnusableCardImageEndsWithStatus1) {
  const std::string image = testing::TempDir() + "belvanto-short-image.bin";
  std::ofstream(image, std::ios::binary) << "too short";
  const Outcome outcome = RunBelvanto("--simulate=" + image);
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.output.rfind("belvanto: ", 0), 0u) << outcome.output;
  std::remove(image.c_str());
}
