#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "apps/cli/cli.h"
#include "support/program_run.h"
#include "support/temp_folder.h"

inline const std::string kAtrLine = "ATR : 3F 67 2F 00 11 14 00 03 68 90 00\n";

// Runs the built belvanto-cli, always on the simulated readers: COM1 a good card whose
// memory lives in card.img, COM2 no card, COM3 a foreign card, COM4 a busy port. No
// real device is ever opened, even by a command line that goes wrong.
class CliProgram : public ::testing::Test {
 protected:
  test_support::ProgramResult Cli(const std::vector<std::string>& args, int errorFd = -1) {
    // Fast enough for a full 24C64 in a fraction of a second; the line still times every byte.
    std::vector<std::string> all{"--simulate=" + Card(), "--sim-speed", "1000"};
    all.insert(all.end(), args.begin(), args.end());
    return test_support::RunProgram(test_support::BuiltProgram("belvanto-cli"), all, errorFd);
  }
  std::string Card() const { return folder.File("card.img"); }
  std::string File(const std::string& name) const { return folder.File(name); }

  struct Outcome {
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
  };
  void ExpectOutcomes(const std::vector<Outcome>& cases) {
    for (const Outcome& c : cases) {
      SCOPED_TRACE(::testing::PrintToString(c.args));
      const test_support::ProgramResult result = Cli(c.args);
      EXPECT_EQ(result.status, c.status);
      EXPECT_EQ(result.out, c.out);
      EXPECT_EQ(result.err, c.err);
    }
  }
  // What a bad command line prints.
  static std::string Usage(const std::string& reason) {
    return "belvanto-cli: " + reason + "\n\n" + cli::UsageText();
  }

  TempFolder folder;
};
