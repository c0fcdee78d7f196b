#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "card/buffer.h"
#include "common/file_io.h"
#include "support/buffer_files.h"

namespace {

namespace fs = std::filesystem;

std::wstring Wide(const std::string& utf8) { return PathFromUtf8(utf8).wstring(); }

class WindowsFiles : public FolderTest {
 protected:
  // The folder goes with everything in it, which a read-only file would stop.
  ~WindowsFiles() override {
    ::SetFileAttributesW(Wide(Path("readonly.bin")).c_str(), FILE_ATTRIBUTE_NORMAL);
  }

  std::string Read(const std::string& leaf) const {
    std::ifstream in(PathFromUtf8(Path(leaf)), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void Write(const std::string& leaf, const std::string& bytes, DWORD attributes) const {
    WriteWholeFile(Path(leaf), bytes);
    ::SetFileAttributesW(Wide(Path(leaf)).c_str(), attributes);
  }
  // The attributes a program sets; Windows may add others (archive, indexing).
  DWORD Attributes(const std::string& leaf) const {
    return ::GetFileAttributesW(Wide(Path(leaf)).c_str()) &
           (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  }
};

TEST_F(WindowsFiles, SaveReplacesTheWholeFileOrRefusesAndChangesNothing) {
  fs::create_directory(PathFromUtf8(Path("folder")));
  const HANDLE held = ::CreateFileW(Wide(Path("held.bin")).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const struct {
    std::string leaf;
    DWORD attributes;  // of the file already there; 0: none there
    bool saved;
  } cases[] = {
      {"é.bin", 0, true},                                // a new file with a non-ASCII name
      {"longer.bin", FILE_ATTRIBUTE_NORMAL, true},       // every old byte goes
      {"hidden.bin", FILE_ATTRIBUTE_HIDDEN, true},       // and the attributes stay
      {"readonly.bin", FILE_ATTRIBUTE_READONLY, false},  // may not be written
      {"held.bin", 0, false},                            // another program holds it
  };
  for (const auto& c : cases) {
    if (c.attributes != 0) Write(c.leaf, std::string(5000, 'o'), c.attributes);
    const std::string before = Read(c.leaf);
    EXPECT_EQ(MessageOf([&] { Holding("new image").SaveToFile(Path(c.leaf)); }),
              c.saved ? "(no error)" : "Erreur de creation du fichier " + Path(c.leaf))
        << c.leaf;
    EXPECT_EQ(Read(c.leaf), c.saved ? "new image" : before) << c.leaf;
    EXPECT_EQ(Attributes(c.leaf), c.attributes & ~FILE_ATTRIBUTE_NORMAL) << c.leaf;
  }
  ::CloseHandle(held);
  TBuffer loaded;
  loaded.LoadFromFile(Path("é.bin"));
  EXPECT_EQ(loaded.Data(), "new image");
  EXPECT_EQ(Entries(),
            (Names{"folder", "held.bin", "hidden.bin", "longer.bin", "readonly.bin", "é.bin"}));
}

TEST_F(WindowsFiles, FoldersAndDevicesAreNeitherReadNorReplaced) {
  fs::create_directory(PathFromUtf8(Path("folder")));
  for (const std::string& name : {Path("folder"), std::string("NUL"), Path("NUL")}) {
    std::string out = "kept";
    EXPECT_EQ(ReadFilePrefix(name, 100, out), FileReadResult::OpenFailed) << name;
    EXPECT_EQ(out, "kept");
    EXPECT_NE(WriteFileAtomically(name, "data"), 0) << name;
  }
  EXPECT_TRUE(fs::is_directory(PathFromUtf8(Path("folder"))));
  EXPECT_EQ(Entries(), Names{"folder"});
  EXPECT_EQ(WriteFileAtomically("bad \xFF name", "data"), ERROR_NO_UNICODE_TRANSLATION);
}

}  // namespace
