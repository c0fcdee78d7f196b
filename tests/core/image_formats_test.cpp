#include "card/image_formats.h"

#include <gtest/gtest.h>

#include <string>

#include "support/buffer_files.h"

namespace {

const std::string kSeventeen = Ascending(17);

// The forms objcopy and srec_cat write, and ours.
TEST(ImageFormats, SmallImageHasTheRecordsPeersWrite) {
  EXPECT_EQ(IntelHexText(kSeventeen),
            ":10000000000102030405060708090A0B0C0D0E0F78\r\n:0100100010DF\r\n:00000001FF\r\n");
  EXPECT_EQ(SRecordsText(kSeventeen, SRecordAddress::Bits24),
            "S0030000FC\r\nS214000000000102030405060708090A0B0C0D0E0F73\r\n"
            "S20500001010DA\r\nS5030002FA\r\nS804000000FB\r\n");
  EXPECT_EQ(SRecordsText("", SRecordAddress::Bits16), "S0030000FC\r\nS5030000FC\r\nS9030000FC\r\n");
}

TEST(ImageFormats, EveryKindLoadsBackWhatItSaved) {
  for (const char* name : {"a.HEX", "a.ihx", "a.s19", "a.S28", "a.s37", "a.srec", "a.mot", "a.bin"})
    for (const std::string& image : {std::string(), kSeventeen, Ascending(8192, 3)}) {
      const ImageFileKind kind = KindOfImageFile(name);
      const ParsedImage parsed = ParseImageText(kind, ImageText(kind, image), 8192);
      EXPECT_EQ(parsed.badLine, 0) << name;
      EXPECT_EQ(parsed.bytes, image) << name << " " << image.size();
    }
  EXPECT_EQ(KindOfImageFile("dir.hex/card").format, ImageFormat::Raw);
  EXPECT_EQ(IntelHexText(Ascending(0x10010)).substr(0x1000 * 45, 17), ":020000040001F9\r\n");
  const std::string overLimit = std::string(kImageTextLimit, '\n') + ":00000001FF";
  EXPECT_EQ(ParseImageText({ImageFormat::IntelHex}, overLimit, 8192).badLine,
            static_cast<int>(kImageTextLimit) + 1);
}

TEST(ImageFormats, RecordsAreCheckedWhole) {
  const struct {
    bool intel;
    std::string text;
    int badLine;  // 0: loads as `bytes`
    std::string bytes;
  } cases[] = {
      {true, "\n:0100040041ba\r\n\n:0100000042bd\n:00000001ff\n\n", 0,
       "B\xFF\xFF\xFF"
       "A"},
      {true, ":020000021000EC\n:0100000041BE\n:00000001FF\n", 2, ""},  // 0x10000: beyond
      {true, ":0100000041BF\n:00000001FF\n", 1, ""},                   // checksum
      {true, ":0200000041BE\n:00000001FF\n", 1, ""},                   // length
      {true, ":0100000041BE\n:0100000041BE\n:00000001FF\n", 2, ""},    // same address
      {true, ":0100000041BE\n", 2, ""},                                // no end
      {true, ":00000001FF\n:0100000041BE\n", 2, ""},                   // after the end
      {true, ":0100000641B8\n:00000001FF\n", 1, ""},                   // unknown type
      {true, ":0100000041BE\n:0100000100FE\n:00000001FF", 2, ""},      // end of wrong length
      {true, ":01000000G1BE\n:00000001FF\n", 1, ""},
      {true, "0100000041BE\n:00000001FF\n", 1, ""},
      {false, "S00600004844521B\nS104000341B7\nS5030001FB\n", 0,
       "\xFF\xFF\xFF"
       "A"},
      {false, "S3080000000041424331\n", 0, "ABC"},
      {false, "S104000341B8\n", 1, ""},                  // checksum
      {false, "S104000341B7\nS5030002FA\n", 2, ""},      // count
      {false, "S404000341B7\n", 1, ""},                  // reserved type
      {false, "S2050020004199\n", 1, ""},                // 0x2000 and up: beyond
      {false, "S9030000FC\nS104000341B7\n", 2, ""},      // after the end
      {false, "S104000341B7\nS1050002414176\n", 2, ""},  // overlaps
  };
  for (const auto& c : cases) {
    const ParsedImage parsed =
        c.intel ? ParseIntelHex(c.text, 0x2000) : ParseSRecords(c.text, 0x2000);
    EXPECT_EQ(parsed.badLine, c.badLine) << c.text;
    EXPECT_EQ(parsed.bytes, c.bytes) << c.text;
  }
}

using ImageFiles = FolderTest;

TEST_F(ImageFiles, InvalidFileIsNamedWithItsLineAndKeepsTheData) {
  WriteWholeFile(Path("bad.s19"), "S0030000FC\r\nS104000341B8\r\n");
  TBuffer buffer = Holding("kept");
  EXPECT_EQ(MessageOf([&] { buffer.LoadFromFile(Path("bad.s19")); }),
            "Format de fichier invalide : " + Path("bad.s19") + " ligne 2");
  EXPECT_EQ(buffer.Data(), "kept");
  Holding(kSeventeen).SaveToFile(Path("card.hex"));
  buffer.LoadFromFile(Path("card.hex"));
  EXPECT_EQ(buffer.Data(), kSeventeen);
  EXPECT_EQ(ReadWholeFile(Path("card.hex")), IntelHexText(kSeventeen));
}

}  // namespace
