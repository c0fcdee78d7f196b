// The buffer's files where POSIX rules apply: file modes, limits, links, FIFOs.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "card/buffer.h"
#include "common/file_io.h"
#include "support/buffer_files.h"
#include "support/program_run.h"

namespace {

using BufferFiles = FolderTest;

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

TEST_F(BufferFiles, AFailedReadKeepsTheData) {
  // Opens as a regular file; reading address 0 of this process fails.
  TBuffer buffer = Holding("kept");
  EXPECT_EQ(MessageOf([&] { buffer.LoadFromFile("/proc/self/mem"); }),
            "Erreur de lecture du fichier /proc/self/mem");
  EXPECT_EQ(buffer.Data(), "kept");
}

TEST_F(BufferFiles, SaveThatFailsMidwayKeepsTheOldFile) {
  const std::string path = Path("card.bin");
  WriteWholeFile(path, "old image");
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) ::_exit(SaveUnderFileSizeLimit(path, 1000));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  EXPECT_EQ(test_support::AwaitChild(child, "the saving child", deadline), 0)
      << "1: success reported, 2: wrong message, 3: no limit";
  EXPECT_EQ(ReadWholeFile(path), "old image");
  EXPECT_EQ(Entries(), Names{"card.bin"});
}

// Under the file-system identity of `nobody`, root obeys file modes as a user does.
TEST_F(BufferFiles, SaveObeysTheFileModeWhateverTheFolderAllows) {
  const std::string path = Path("card.bin");
  const mode_t cases[][2] = {{0777, 0444}, {0555, 0666}, {0555, 0444}};  // folder, file
  for (const auto& [folderMode, fileMode] : cases) {
    WriteWholeFile(path, "old image");
    ASSERT_EQ(::chmod(path.c_str(), fileMode) | ::chmod(folder_.Path().c_str(), folderMode), 0);
    ::setfsgid(65534), ::setfsuid(65534);
    const std::string message = MessageOf([&] { Holding("new").SaveToFile(path); });
    ::setfsuid(0), ::setfsgid(0), ::chmod(folder_.Path().c_str(), 0700), ::chmod(path.c_str(), 0600);
    EXPECT_EQ(message, fileMode == 0666 ? "(no error)" : "Erreur de creation du fichier " + path)
        << std::oct << folderMode << " " << fileMode;
    EXPECT_EQ(ReadWholeFile(path), message == "(no error)" ? "new" : "old image") << message;
  }
}

// ---- file helpers ----

using FileIo = FolderTest;

TEST_F(FileIo, NewFileFollowsTheUmaskAndAReplacedOneKeepsItsMode) {
  const mode_t previous = ::umask(027);
  const int created = WriteFileAtomically(Path("new.bin"), "x");
  ::umask(previous);
  ASSERT_EQ(created, 0);
  EXPECT_EQ(std::filesystem::status(Path("new.bin")).permissions(),
            std::filesystem::perms(0640));

  WriteWholeFile(Path("old.bin"), "old");
  ASSERT_EQ(::chmod(Path("old.bin").c_str(), 0604), 0);
  ASSERT_EQ(WriteFileAtomically(Path("old.bin"), "new"), 0);
  EXPECT_EQ(std::filesystem::status(Path("old.bin")).permissions(),
            std::filesystem::perms(0604));
  EXPECT_EQ(ReadWholeFile(Path("old.bin")), "new");
}

TEST_F(FileIo, SavingThroughALinkReplacesTheLinkedFile) {
  std::filesystem::create_directory(Path("data"));
  WriteWholeFile(Path("data/real.bin"), "old");
  std::filesystem::create_symlink("data/real.bin", Path("link.bin"));
  ASSERT_EQ(WriteFileAtomically(Path("link.bin"), "new"), 0);
  EXPECT_TRUE(std::filesystem::is_symlink(Path("link.bin")));
  EXPECT_EQ(ReadWholeFile(Path("data/real.bin")), "new");
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
