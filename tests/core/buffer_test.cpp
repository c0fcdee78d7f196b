#include "card/buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/buffer_files.h"

namespace {

std::string Blanks(std::size_t n) { return std::string(n, ' '); }

std::vector<std::string> Lines(const std::string& listing) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = listing.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(listing.substr(start, end - start));
  lines.push_back(listing.substr(start));
  return lines;
}

}  // namespace

// ---- the hex listing ----

TEST(BufferListing, SmallBuffersListExactly) {
  const struct {
    std::string data;
    std::string listing;
  } cases[] = {
      {"", "0000:" + Blanks(49)},
      {Ascending(16, 0x41),
       "0000: 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 ABCDEFGHIJKLMNOP\r\n"
       "0010:" + Blanks(49)},
      {Ascending(20),
       "0000: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ................\r\n"
       "0010: 10 11 12 13" + Blanks(37) + "...."},
      {std::string("\x1F\x20\x00\x7E", 4), "0000: 1F 20 00 7E" + Blanks(37) + ". .~"},
  };
  for (const auto& c : cases) EXPECT_EQ(Holding(c.data).Dump(), c.listing) << c.data.size() << " bytes";
}

TEST(BufferListing, FullImageEndsWithABareOffsetLine) {
  const std::string listing = Holding(Ascending(2048)).Dump();
  const auto lines = Lines(listing);
  ASSERT_EQ(lines.size(), 129u);
  EXPECT_EQ(listing.size(), 128u * 72 + 54);
  for (std::size_t k = 0; k < 128; ++k) EXPECT_EQ(lines[k].size(), 70u) << "line " << k;
  EXPECT_EQ(lines[2], "0020: 20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F  !\"#$%&'()*+,-./");
  EXPECT_EQ(lines[127].substr(0, 54),
            "07F0: F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF ");
  EXPECT_EQ(lines[127].substr(54), Ascending(16, 0xF0));
  EXPECT_EQ(lines[128], "0800:" + Blanks(49));
}

TEST(BufferListing, HighBytesStandAsThemselves) {
  const auto lines = Lines(Holding(Ascending(129, 0x7F)).Dump());
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[0], "0000: 7F 80 81 82 83 84 85 86 87 88 89 8A 8B 8C 8D 8E " + Ascending(16, 0x7F));
  EXPECT_EQ(lines[8], "0080: FF" + Blanks(46) + "\xFF");
}

TEST(BufferListing, OffsetsBeyondFourDigitsAreNotCut) {
  const auto lines = Lines(Holding(std::string(0x10010, 'A'), 0x10010).Dump());
  ASSERT_EQ(lines.size(), 0x1002u);
  // Five digits fill the 54 columns on their own: no blank before the characters.
  EXPECT_EQ(lines[0x1000], "10000: 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41AAAAAAAAAAAAAAAA");
  EXPECT_EQ(lines[0x1001], "10010:" + Blanks(48));
}

// ---- capacity rules ----

TEST(BufferCapacity, NewBufferIsEmptyWithRoomForThe24C64) {
  const TBuffer buffer;
  EXPECT_EQ(buffer.Size(), 0);
  EXPECT_EQ(buffer.Capacity(), 8192);
}

TEST(BufferCapacity, AppendStopsAtTheCapacity) {
  TBuffer buffer = Holding("", 256);
  buffer.Append(Ascending(300));
  EXPECT_EQ(buffer.Data(), Ascending(256));
  buffer.Append("more");
  EXPECT_EQ(buffer.Data(), Ascending(256));

  TBuffer partly = Holding("abc", 5);
  partly.Append("defgh");
  EXPECT_EQ(partly.Data(), "abcde");
}

TEST(BufferCapacity, LoweringCutsAndRaisingDoesNotBringBytesBack) {
  TBuffer buffer = Holding(Ascending(8192));
  buffer.SetCapacity(2048);
  EXPECT_EQ(buffer.Data(), Ascending(2048));
  buffer.SetCapacity(8192);
  EXPECT_EQ(buffer.Size(), 2048);
  buffer.Clear();
  EXPECT_EQ(buffer.Size(), 0);
  EXPECT_EQ(buffer.Capacity(), 8192);
}

TEST(BufferCapacity, SetDataReplacesAndKeepsOnlyWhatFits) {
  TBuffer buffer = Holding("old");
  buffer.SetData(Ascending(10000));
  EXPECT_EQ(buffer.Data(), Ascending(8192));
  buffer.SetData(std::string("\0\xFF", 2));
  EXPECT_EQ(buffer.Data(), std::string("\0\xFF", 2));
}

TEST(BufferCapacity, NegativeCapacityHoldsNothing) {
  TBuffer buffer = Holding("abc");
  buffer.SetCapacity(-1);
  buffer.Append("x");
  buffer.SetData("y");
  EXPECT_EQ(buffer.Size(), 0);
}

TEST(BufferCapacity, GetItemReadsBytesUnsignedAndRejectsEveryOffsetOutside) {
  const TBuffer buffer = Holding(std::string("\0\x80\xFF", 3));
  EXPECT_EQ(buffer.GetItem(0), 0x00);
  EXPECT_EQ(buffer.GetItem(1), 0x80);
  EXPECT_EQ(buffer.GetItem(2), 0xFF);

  const struct {
    int size;
    int index;
    const char* message;
  } outside[] = {
      {2048, 2048, "GetItem: Length=2048 iPos=2048"},
      {2048, 5000, "GetItem: Length=2048 iPos=5000"},
      {0, 0, "GetItem: Length=0 iPos=0"},
      {3, -1, "GetItem: Length=3 iPos=-1"},
  };
  for (const auto& c : outside) {
    const TBuffer sized = Holding(std::string(c.size, 'x'));
    EXPECT_EQ(MessageOf([&] { sized.GetItem(c.index); }), c.message);
  }
}

// ---- files ----

using BufferFiles = FolderTest;

TEST_F(BufferFiles, RoundTripKeepsEveryByteValue) {
  const std::string path = Path("card.bin");
  const std::string image = Ascending(512);
  Holding(image).SaveToFile(path);
  EXPECT_EQ(ReadWholeFile(path), image);
  TBuffer loaded = Holding("previous");
  loaded.LoadFromFile(path);
  EXPECT_EQ(loaded.Data(), image);
}

TEST_F(BufferFiles, LoadTakesAtMostTheCapacity) {
  const struct {
    std::size_t fileSize;
    int capacity;
  } cases[] = {{10000, 4096}, {200000, 150000}, {100, 8192}, {0, 8192}};
  for (const auto& c : cases) {
    const std::string path = Path("image" + std::to_string(c.fileSize));
    WriteWholeFile(path, Ascending(c.fileSize, 7));
    TBuffer buffer = Holding("previous", c.capacity);
    buffer.LoadFromFile(path);
    EXPECT_EQ(buffer.Data(), Ascending(std::min<std::size_t>(c.fileSize, c.capacity), 7))
        << c.fileSize << " bytes into " << c.capacity;
  }
}

TEST_F(BufferFiles, SaveReplacesALongerFileCompletely) {
  const std::string path = Path("card.bin");
  WriteWholeFile(path, Ascending(4096));
  Holding("short").SaveToFile(path);
  EXPECT_EQ(ReadWholeFile(path), "short");
  Holding("").SaveToFile(path);
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  EXPECT_EQ(Entries(), Names{"card.bin"});
}

TEST_F(BufferFiles, FailedLoadKeepsTheData) {
  std::filesystem::create_directory(Path("folder"));
  const struct {
    std::string name;
    std::string message;
  } cases[] = {
      {Path("missing.bin"), "Erreur d'ouverture du fichier " + Path("missing.bin")},
      {Path("folder"), "Erreur d'ouverture du fichier " + Path("folder")},
  };
  for (const auto& c : cases) {
    TBuffer buffer = Holding("kept");
    EXPECT_EQ(MessageOf([&] { buffer.LoadFromFile(c.name); }), c.message);
    EXPECT_EQ(buffer.Data(), "kept") << c.name;
  }
}

TEST_F(BufferFiles, SaveWhereNoFileCanBeMadeLeavesNothingBehind) {
  std::filesystem::create_directories(Path("folder/inner"));
  for (const std::string& name : {Path("missing/card.bin"), Path("folder")})
    EXPECT_EQ(MessageOf([&] { Holding("data").SaveToFile(name); }),
              "Erreur de creation du fichier " + name);
  EXPECT_EQ(Entries(), Names{"folder"});
  EXPECT_EQ(Entries("folder"), Names{"inner"});
}
