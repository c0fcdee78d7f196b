#include "card/buffer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "support/program_run.h"

namespace {

// Bytes first, first + 1, ... (wrapping at 256).
std::string Ascending(std::size_t count, unsigned first = 0) {
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes += static_cast<char>((first + i) & 0xFF);
  return bytes;
}

std::string Blanks(std::size_t n) { return std::string(n, ' '); }

std::vector<std::string> Lines(const std::string& listing) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = listing.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(listing.substr(start, end - start));
  lines.push_back(listing.substr(start));
  return lines;
}

TBuffer Holding(const std::string& bytes, int capacity = 8192) {
  TBuffer buffer;
  buffer.SetCapacity(capacity);
  buffer.SetData(bytes);
  return buffer;
}

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "(no error)";
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

namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteWhole(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "belvanto-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& leaf) const { return dir_ + "/" + leaf; }

  // What the folder holds, so that a leftover temporary shows.
  std::vector<std::string> Entries(const std::string& sub = "") const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(sub.empty() ? dir_ : Path(sub)))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string dir_;
};

using Names = std::vector<std::string>;

class BufferFiles : public TempFolder {};

// Runs in a child: root ignores permissions, but not the file size limit.
int SaveUnderFileSizeLimit(const std::string& target, rlim_t limit) {
  ::signal(SIGXFSZ, SIG_IGN);
  const rlimit small{limit, limit};
  if (::setrlimit(RLIMIT_FSIZE, &small) != 0) return 3;
  const std::string message = MessageOf([&] { Holding(Ascending(8192)).SaveToFile(target); });
  if (message == "(no error)") return 1;
  return message == "Erreur de creation du fichier " + target ? 0 : 2;
}

}  // namespace

TEST_F(BufferFiles, RoundTripKeepsEveryByteValue) {
  const std::string path = Path("card.bin");
  const std::string image = Ascending(512);
  Holding(image).SaveToFile(path);
  EXPECT_EQ(ReadWhole(path), image);
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
    WriteWhole(path, Ascending(c.fileSize, 7));
    TBuffer buffer = Holding("previous", c.capacity);
    buffer.LoadFromFile(path);
    EXPECT_EQ(buffer.Data(), Ascending(std::min<std::size_t>(c.fileSize, c.capacity), 7))
        << c.fileSize << " bytes into " << c.capacity;
  }
}

TEST_F(BufferFiles, SaveReplacesALongerFileCompletely) {
  const std::string path = Path("card.bin");
  WriteWhole(path, Ascending(4096));
  Holding("short").SaveToFile(path);
  EXPECT_EQ(ReadWhole(path), "short");
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
      // Opens as a regular file; reading address 0 of this process fails.
      {"/proc/self/mem", "Erreur de lecture du fichier /proc/self/mem"},
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

TEST_F(BufferFiles, SaveThatFailsMidwayKeepsTheOldFile) {
  const std::string path = Path("card.bin");
  WriteWhole(path, "old image");
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) ::_exit(SaveUnderFileSizeLimit(path, 1000));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  EXPECT_EQ(test_support::AwaitChild(child, "the saving child", deadline), 0)
      << "1: success reported, 2: wrong message, 3: no limit";
  EXPECT_EQ(ReadWhole(path), "old image");
  EXPECT_EQ(Entries(), Names{"card.bin"});
}

// Under the file-system identity of `nobody`, root obeys file modes as a user does.
TEST_F(BufferFiles, SaveObeysTheFileModeWhateverTheFolderAllows) {
  const std::string path = Path("card.bin");
  const mode_t cases[][2] = {{0777, 0444}, {0555, 0666}, {0555, 0444}};  // folder, file
  for (const auto& [folderMode, fileMode] : cases) {
    WriteWhole(path, "old image");
    ASSERT_EQ(::chmod(path.c_str(), fileMode) | ::chmod(dir_.c_str(), folderMode), 0);
    ::setfsgid(65534), ::setfsuid(65534);
    const std::string message = MessageOf([&] { Holding("new").SaveToFile(path); });
    ::setfsuid(0), ::setfsgid(0), ::chmod(dir_.c_str(), 0700), ::chmod(path.c_str(), 0600);
    EXPECT_EQ(message, fileMode == 0666 ? "(no error)" : "Erreur de creation du fichier " + path)
        << std::oct << folderMode << " " << fileMode;
    EXPECT_EQ(ReadWhole(path), message == "(no error)" ? "new" : "old image") << message;
  }
}

// ---- file helpers ----

class FileIo : public TempFolder {};

TEST_F(FileIo, NewFileFollowsTheUmaskAndAReplacedOneKeepsItsMode) {
  const mode_t previous = ::umask(027);
  const int created = WriteFileAtomically(Path("new.bin"), "x");
  ::umask(previous);
  ASSERT_EQ(created, 0);
  EXPECT_EQ(std::filesystem::status(Path("new.bin")).permissions(),
            std::filesystem::perms(0640));

  WriteWhole(Path("old.bin"), "old");
  ASSERT_EQ(::chmod(Path("old.bin").c_str(), 0604), 0);
  ASSERT_EQ(WriteFileAtomically(Path("old.bin"), "new"), 0);
  EXPECT_EQ(std::filesystem::status(Path("old.bin")).permissions(),
            std::filesystem::perms(0604));
  EXPECT_EQ(ReadWhole(Path("old.bin")), "new");
}

TEST_F(FileIo, SavingThroughALinkReplacesTheLinkedFile) {
  std::filesystem::create_directory(Path("data"));
  WriteWhole(Path("data/real.bin"), "old");
  std::filesystem::create_symlink("data/real.bin", Path("link.bin"));
  ASSERT_EQ(WriteFileAtomically(Path("link.bin"), "new"), 0);
  EXPECT_TRUE(std::filesystem::is_symlink(Path("link.bin")));
  EXPECT_EQ(ReadWhole(Path("data/real.bin")), "new");
  EXPECT_EQ(Entries(), (Names{"data", "link.bin"}));
  EXPECT_EQ(Entries("data"), Names{"real.bin"});
}

TEST_F(FileIo, FifoIsNeitherReadNorReplaced) {
  const std::string fifo = Path("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string out = "kept";
  EXPECT_EQ(ReadFilePrefix(fifo, 100, out), FileReadResult::OpenFailed);
  EXPECT_EQ(out, "kept");
  EXPECT_NE(WriteFileAtomically(fifo, "data"), 0);
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  EXPECT_EQ(Entries(), Names{"pipe"});
}
