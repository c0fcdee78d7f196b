// Saved settings as programs of this system read them.

#include <gtest/gtest.h>

#include "support/program_run.h"
#include "support/storage_fixture.h"

namespace {

// Python's configparser, a reader written apart from ours, finds every saved key with
// its value, its own delimiter and comment mark included.
TEST_F(StorageTest, PythonsConfigParserReadsEverySavedValueUnchanged) {
  MakeUnusualPort(port);
  port.SetEventChar(';');
  port.Parity().SetReplaceChar('=');
  port.SetStoredGroups(TStoredGroups::All());
  port.SaveToIniFile(ini);
  const auto python = test_support::RunProgram(
      "/usr/bin/env", {"python3", "-c",
                       "import configparser, sys; parser = configparser.RawConfigParser(); "
                       "parser.optionxform = str; parser.read(sys.argv[1]); "
                       "print(*(k + '=' + v for k, v in parser.items('Unusual')), sep='\\n')",
                       IniName()});
  ASSERT_NE(python.status, 127) << "this check needs python3 (Debian package python3-minimal)";
  ASSERT_EQ(python.status, 0) << python.err;
  std::string saved = ReadWholeFile(IniName());
  std::erase(saved, '\r');
  EXPECT_EQ("[Unusual]\n" + python.out, saved);
}

}  // namespace
