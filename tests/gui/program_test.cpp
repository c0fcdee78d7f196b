// The belvanto program's command line, run as a user runs it. Every case ends before a
// window opens.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/program_run.h"
#include "support/temp_folder.h"

namespace {

test_support::ProgramResult Belvanto(const std::vector<std::string>& args) {
  return test_support::RunProgram(test_support::BuiltProgram("belvanto"), args);
}

}  // namespace

TEST(BelvantoProgram, RefusesWhatItDoesNotKnowWithStatus2) {
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--bogus"}, "unknown option \"--bogus\""},
      {{"COM1"}, "unknown option \"COM1\""},
      {{"--simulate", "--verbose"}, "unknown option \"--verbose\""},
      {{"--map"}, "--map needs a value"},
      {{"--map", "COM1"}, "--map expects COMn=PATH with n from 1 to 96, not \"COM1\""},
      {{"--sim-speed", "0"}, "--sim-speed expects a positive number, not \"0\""},
      {{"-platform", "offscreen", "-style", "Fusion", "--bogus"}, "unknown option \"--bogus\""},
  };
  for (const auto& c : cases) {
    const auto result = Belvanto(c.args);
    EXPECT_EQ(result.status, 2) << c.message;
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(result.err.ends_with("belvanto: " + c.message +
                                     "\nTry 'belvanto --help' for the options.\n")) << result.err;
  }
}

TEST(BelvantoProgram, HelpListsEveryOption) {
  const auto result = Belvanto({"--help"});
  EXPECT_EQ(result.status, 0);
  for (const char* option : {"--map COMn=PATH", "--simulate[=IMAGE]", "--sim-speed FACTOR", "--help"})
    EXPECT_NE(result.out.find(option), std::string::npos) << option;
}

TEST(BelvantoProgram, UnusableCardImageEndsWithStatus1) {
  const TempFolder folder;
  WriteWholeFile(folder.File("short.bin"), "too short");
  const auto result = Belvanto({"--simulate=" + folder.File("short.bin")});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("belvanto: "), std::string::npos) << result.err;
}
