#include <gtest/gtest.h>

#include <filesystem>

#include "serial/ini_file.h"
#include "support/temp_folder.h"

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  std::string Name() const { return folder_.File("settings.ini"); }
  TIniFile Ini() const { return TIniFile(Name()); }

  TempFolder folder_;
};

// A file another program wrote: comments, other sections, CR LF line ends, a
// byte-order mark, blanks around names and a last line without its end.
const std::string kForeignHead =
    "\xEF\xBB\xBF; written by hand\r\n"
    "[Window]\r\n"
    "Left=10\r\n"
    "\r\n"
    "[ComPort1]\r\n"
    "; the port\r\n";
const std::string kForeign = kForeignHead +
                             "  port = COM3  \r\n"
                             "\r\n"
                             "[Other]\r\n"
                             "Key=Value";

TEST_F(IniFileTest, WritesChangeOnlyTheirOwnLinesAndKeepEverythingElse) {
  WriteWholeFile(Name(), kForeign);
  TIniFile ini = Ini();
  ini.WriteString("comport1", "PORT", "COM2");      // existing key: the file's spelling stays
  ini.WriteString("ComPort1", "BaudRate", "9600");  // new key: after the section's last line
  ini.WriteInteger("Fresh", "Size", -12);           // new section: at the end
  EXPECT_EQ(ReadWholeFile(Name()), kForeignHead +
                                       "port=COM2\r\n"
                                       "BaudRate=9600\r\n"
                                       "\r\n"
                                       "[Other]\r\n"
                                       "Key=Value\r\n"
                                       "\r\n"
                                       "[Fresh]\r\n"
                                       "Size=-12\r\n");
  EXPECT_EQ(ini.ReadString("Window", "left", ""), "10");
  EXPECT_EQ(ini.ReadString("OTHER", "key", ""), "Value");
}

TEST_F(IniFileTest, MissingFileReadsDefaultsAndIsCreatedByTheFirstWrite) {
  TIniFile ini = Ini();
  EXPECT_EQ(ini.ReadString("S", "k", "fallback"), "fallback");
  EXPECT_EQ(ini.ReadInteger("S", "k", 7), 7);
  EXPECT_FALSE(std::filesystem::exists(Name()));
  ini.WriteString("S", "k", "v");
  ini.WriteString("S", "l", "w");
  EXPECT_EQ(ReadWholeFile(Name()), "[S]\r\nk=v\r\nl=w\r\n");
}

TEST_F(IniFileTest, LinuxLineEndsStayLinuxLineEnds) {
  WriteWholeFile(Name(), "[S]\nk=v\n");
  Ini().WriteString("T", "x", "1");
  EXPECT_EQ(ReadWholeFile(Name()), "[S]\nk=v\n\n[T]\nx=1\n");
}

TEST_F(IniFileTest, ReadsFollowTheProfileFormat) {
  WriteWholeFile(Name(),
                 "orphan=before any section\n"
                 "[ S ]\n"
                 "a = spaced out \n"
                 "b=\"  in quotes  \"\n"
                 "c='single'\n"
                 "d=\"unbalanced'\n"
                 "no equals sign\n"
                 ";e=commented\n"
                 "a=second a\n"
                 "[s]\n"
                 "f=second section of the same name\n");
  const TIniFile ini = Ini();
  const struct {
    const char* key;
    const char* expected;
  } cases[] = {
      {"a", "spaced out"},
      {"B", "  in quotes  "},
      {"c", "single"},
      {"d", "\"unbalanced'"},
      {"e", "-"},
      {"f", "-"},
      {"no equals sign", "-"},
      {"orphan", "-"},
  };
  for (const auto& c : cases) EXPECT_EQ(ini.ReadString("s", c.key, "-"), c.expected) << c.key;
  EXPECT_EQ(ini.ReadString("", "orphan", "-"), "-");
}

TEST_F(IniFileTest, ValuesThatReadingWouldChangeAreQuotedAndComeBackExactly) {
  TIniFile ini = Ini();
  for (const std::string value : {" lead", "trail ", "\"quoted\"", "'single'", "", "a\"b", "=x="}) {
    ini.WriteString("S", "k", value);
    EXPECT_EQ(ini.ReadString("S", "k", "-"), value);
  }
  EXPECT_EQ(ReadWholeFile(Name()), "[S]\r\nk==x=\r\n");
}

TEST_F(IniFileTest, IntegersUseTheRuntimeSyntaxAndFallBackOnAnythingElse) {
  WriteWholeFile(Name(),
                 "[N]\n"
                 "dec=31250\nneg=-1\nplus=+5\ndollar=$7A\nzerox=0x7a\nx=x10\n"
                 "max=2147483647\nmin=-2147483648\nhexall=$FFFFFFFF\n"
                 "over=2147483648\nmixed=12abc\ncomma=1,5\nempty=\nsign=-\nhexonly=$\n");
  const TIniFile ini = Ini();
  const struct {
    const char* key;
    std::int32_t expected;
  } cases[] = {
      {"dec", 31250}, {"neg", -1},   {"plus", 5},         {"dollar", 122},
      {"zerox", 122}, {"x", 16},     {"max", 2147483647}, {"min", INT32_MIN},
      {"hexall", -1}, {"over", -99}, {"mixed", -99},      {"comma", -99},
      {"empty", -99}, {"sign", -99}, {"hexonly", -99},    {"missing", -99},
  };
  for (const auto& c : cases) EXPECT_EQ(ini.ReadInteger("n", c.key, -99), c.expected) << c.key;
}

TEST_F(IniFileTest, RefusedWritesRaiseAndLeaveTheFileAsItWas) {
  WriteWholeFile(Name(), kForeign);
  TIniFile ini = Ini();
  const struct {
    const char* section;
    const char* key;
    std::string value;
  } refused[] = {
      {"S", "k", "two\nlines"}, {"S", "k", "cr\r"}, {"S", "k", std::string("nul\0", 4)},
      {"S", "a=b", "v"},        {"S", "", "v"},     {"S", " k", "v"},
      {"S", ";k", "v"},         {"S", "[k", "v"},   {"two\nlines", "k", "v"},
      {" S", "k", "v"},
  };
  for (const auto& r : refused) {
    try {
      ini.WriteString(r.section, r.key, r.value);
      ADD_FAILURE() << "accepted " << r.key;
    } catch (const EIniFileException& e) {
      EXPECT_EQ(std::string(e.what()), "Impossible d'écrire dans " + Name());
    }
  }
  EXPECT_EQ(ReadWholeFile(Name()), kForeign);
}

TEST_F(IniFileTest, AFileThatCannotBeReadWholeIsNeverReplaced) {
  // A folder in the file's place cannot be read; a file beyond the size limit is not
  // a settings file of ours. Rewriting either from what could be read would lose it.
  ASSERT_TRUE(std::filesystem::create_directory(Name()));
  EXPECT_EQ(Ini().ReadString("S", "k", "-"), "-");
  EXPECT_THROW(Ini().WriteString("S", "k", "v"), EIniFileException);
  EXPECT_TRUE(std::filesystem::is_directory(Name()));

  const std::string huge = folder_.File("huge.ini");
  WriteWholeFile(huge, "[S]\nk=v\n");
  std::filesystem::resize_file(huge, 17 << 20);
  EXPECT_EQ(TIniFile(huge).ReadString("S", "k", "-"), "-");
  EXPECT_THROW(TIniFile(huge).WriteString("S", "k", "w"), EIniFileException);
  EXPECT_EQ(std::filesystem::file_size(huge), 17u << 20);
}

TEST_F(IniFileTest, AWriteIntoAMissingFolderRaisesAndLeavesNoTrace) {
  const std::string name = folder_.File("no/such/folder.ini");
  EXPECT_THROW(TIniFile(name).WriteString("S", "k", "v"), EIniFileException);
  EXPECT_FALSE(std::filesystem::exists(folder_.File("no")));
}

TEST_F(IniFileTest, GarbageReadsAsMissingAndSurvivesWrites) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
  const std::string hugeLine = "[S]\nlong=" + std::string(1 << 18, 'x') + "\n";
  for (const std::string& content : {garbage, std::string("[S"), std::string("[S]\nk"),
                                     std::string("\0[S]\0k=v", 8), hugeLine}) {
    WriteWholeFile(Name(), content);
    TIniFile ini = Ini();
    EXPECT_EQ(ini.ReadString("S", "k", "-"), "-");
    ini.WriteString("New", "k", "v");
    EXPECT_EQ(ini.ReadString("New", "k", "-"), "v");
    EXPECT_EQ(ReadWholeFile(Name()).substr(0, content.size()), content);
  }
  EXPECT_EQ(Ini().ReadString("S", "LONG", "").size(), std::size_t{1} << 18);
}

}  // namespace
