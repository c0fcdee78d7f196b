#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/file_io.h"
#include "support/sim_fixture.h"

using namespace driver::sim;

namespace {

std::string Lines(const std::string& text, std::size_t from, std::size_t count) {
  std::string out;
  std::size_t pos = 0;
  for (std::size_t line = 0; pos != std::string::npos && line < from + count; ++line) {
    const std::size_t end = text.find('\n', pos);
    if (line >= from) out += (out.empty() ? "" : "\n") + text.substr(pos, end - pos);
    pos = end == std::string::npos ? end : end + 1;
  }
  return out;
}

std::string Pattern(std::size_t from, std::size_t count) {
  std::string bytes;
  for (std::size_t a = from; a < from + count; ++a) bytes += static_cast<char>(PatternByte(a));
  return bytes;
}

}  // namespace

TEST(SimCardWire, ResetReadAndWriteShowTheProtocolBytesOnTheLine) {
  VirtualBench bench;
  SimLink link(bench.simulation);
  link.PulseRts();
  EXPECT_EQ(Hex(link.Read(11)), "03 19 0B FF 77 D7 FF 3F E9 F6 FF");

  link.Write(ReadHeader(0x1F00, 0));
  const std::string reply = link.Read(264);
  EXPECT_EQ(Hex(reply.substr(0, 6)), "FF 7B 07 FF FF 7B");  // echo, procedure byte
  EXPECT_EQ(Coded(reply.substr(6, 256)), Pattern(0x1F00, 256));
  EXPECT_EQ(Hex(reply.substr(262)), "F6 FF");

  link.Write(WriteHeader(0x0010, 4));
  EXPECT_EQ(Hex(link.Read(6)), "FF FB FF F7 DF FB");
  link.Write(Coded(std::string("\x01\x02\x03\x04", 4)));
  EXPECT_EQ(Hex(link.Read(6)), Hex(Coded(std::string("\x01\x02\x03\x04", 4))) + " F6 FF");

  const std::string trace = bench.TraceText();
  EXPECT_EQ(Lines(trace, 0, 4),
            "RTS on\nRTS off\ncard 03 19 0B FF 77 D7 FF 3F E9 F6 FF\nhost FF 7B 07 FF FF");
  EXPECT_EQ(Lines(trace, 5, 4), "host FF FB FF F7 DF\ncard FB\nhost 7F BF 3F DF\ncard F6 FF");
}

class SimCardSizes : public ::testing::TestWithParam<Eeprom> {};

// On a virtual clock the client takes no time, so the clock shows the line time alone:
// 264 character times of 1.25 ms for each block.
TEST_P(SimCardSizes, FullReadReturnsTheMemoryInExactlyTheWireTime) {
  ReaderSetup setup;
  setup.eeprom = GetParam();
  VirtualBench bench(setup);
  SimLink link(bench.simulation);
  const std::size_t size = GeometryOf(GetParam()).size;
  EXPECT_EQ(ReadCardRaw(link, size), Pattern(0, size));
  EXPECT_DOUBLE_EQ(bench.Milliseconds(), size / 256 * 264 * 1.25);
}

INSTANTIATE_TEST_SUITE_P(AllSizes, SimCardSizes,
                         ::testing::Values(Eeprom::k24C16, Eeprom::k24C32, Eeprom::k24C64));

struct WrapCase {
  Eeprom eeprom;
  unsigned address;
  std::size_t length;
  std::vector<std::pair<std::size_t, std::size_t>> landsAt;  // (cell, count) runs in order
};

class SimCardPageWrap : public ::testing::TestWithParam<WrapCase> {};

TEST_P(SimCardPageWrap, BytesPastThePageEndWrapInsideThePage) {
  const WrapCase& c = GetParam();
  ReaderSetup setup;
  setup.eeprom = c.eeprom;
  VirtualBench bench(setup);
  SimLink link(bench.simulation);
  std::string data;
  for (std::size_t i = 0; i < c.length; ++i) data += static_cast<char>(0xA0 + i);
  EXPECT_EQ(WritePageRaw(link, c.address, data), "90 00");

  std::string expected = Pattern(0, GeometryOf(c.eeprom).size);
  std::size_t next = 0;
  for (const auto& [cell, count] : c.landsAt) {
    expected.replace(cell, count, data.substr(next, count));
    next += count;
  }
  EXPECT_EQ(next, c.length);
  EXPECT_EQ(Hex(bench.simulation.Memory()), Hex(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimCardPageWrap,
    ::testing::Values(
        WrapCase{Eeprom::k24C64, 0x0010, 16, {{0x0010, 16}}},               // fits
        WrapCase{Eeprom::k24C64, 0x0018, 16, {{0x0018, 8}, {0x0000, 8}}},   // 32-byte page
        WrapCase{Eeprom::k24C32, 0x0FF8, 16, {{0x0FF8, 8}, {0x0FE0, 8}}},   // last page
        WrapCase{Eeprom::k24C16, 0x000C, 8, {{0x000C, 4}, {0x0000, 4}}},    // 16-byte page
        WrapCase{Eeprom::k24C16, 0x0040, 20, {{0x0040, 16}, {0x0040, 4}}},  // overwrites itself
        WrapCase{Eeprom::k24C64, 0x2005, 4, {{0x0005, 4}}}));               // address wraps

TEST(SimCardAddressWrap, ReadsPastTheEndContinueAtAddressZero) {
  ReaderSetup setup;
  setup.eeprom = Eeprom::k24C16;
  VirtualBench bench(setup);
  SimLink link(bench.simulation);
  link.Write(ReadHeader(0x07F0, 32));
  EXPECT_EQ(Coded(link.Read(40)).substr(6, 32), Pattern(0x07F0, 16) + Pattern(0, 16));
  link.Write(ReadHeader(0x0900, 4));  // the chip has no address bit 11
  EXPECT_EQ(Coded(link.Read(12)).substr(6, 4), Pattern(0x0100, 4));
}

TEST(SimCardCommands, UnknownInstructionOrClassIsAnsweredAtOnceWithItsStatus) {
  const struct {
    std::string header;
    std::string status;
  } cases[] = {
      {std::string("\x00\xB0\x00\x00\x10", 5), "6D 00"},
      {std::string("\x80\x21\x00\x00\x10", 5), "6E 00"},
  };
  for (const auto& c : cases) {
    VirtualBench bench;
    SimLink link(bench.simulation);
    link.Write(Coded(c.header));
    EXPECT_EQ(Hex(Coded(link.Read(100)).substr(5)), c.status);
    // echo, the two status bytes, then the 422 ms time-out of the read
    EXPECT_DOUBLE_EQ(bench.Milliseconds(), 5 * 1.25 + 400 + 2 * 100);
  }
}

TEST(SimCardCommands, WriteAnswersOnlyAfterThePageWriteTime) {
  VirtualBench bench;
  SimLink link(bench.simulation);
  link.Write(WriteHeader(0, 2));
  link.Read(6);
  link.Write(Coded("\x11\x22"));
  EXPECT_EQ(Hex(Coded(link.Read(4)).substr(2)), "90 00");
  // header and procedure byte, two data bytes, 5 ms programming, status
  EXPECT_DOUBLE_EQ(bench.Milliseconds(), (6 + 2 + 2) * 1.25 + 5);
  EXPECT_EQ(bench.simulation.Memory().substr(0, 3), "\x11\x22" + Pattern(2, 1));
}

class SimCardImage : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("sim_card_image_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
};

TEST_F(SimCardImage, MissingImageIsABlankCardCreatedAtTheFirstWriteAndReadNextRun) {
  ReaderSetup setup;
  setup.eeprom = Eeprom::k24C32;
  setup.imagePath = Path("card.bin");
  {
    VirtualBench bench(setup);
    EXPECT_EQ(bench.simulation.Memory(), std::string(4096, '\xFF'));
    EXPECT_FALSE(std::filesystem::exists(setup.imagePath));
    SimLink link(bench.simulation);
    EXPECT_EQ(WritePageRaw(link, 0x0100, "\x01\x02\x03"), "90 00");
  }
  std::string stored;
  ASSERT_EQ(ReadFilePrefix(setup.imagePath, 10000, stored), FileReadResult::Ok);
  ASSERT_EQ(stored.size(), 4096u);
  EXPECT_EQ(stored.substr(0xFF, 5), "\xFF\x01\x02\x03\xFF");

  VirtualBench next(setup);
  SimLink link(next.simulation);
  link.Write(ReadHeader(0x0100, 3));
  EXPECT_EQ(Coded(link.Read(11)).substr(6, 3), "\x01\x02\x03");
}

TEST_F(SimCardImage, ImageOfAnotherSizeOrUnreadableIsRefusedAtSetup) {
  ASSERT_EQ(WriteFileAtomically(Path("short.bin"), std::string(2048, 'x')), 0);
  std::filesystem::create_directory(Path("folder.bin"));
  const struct {
    const char* file;
    std::string message;
  } cases[] = {
      {"short.bin", "Simulated card image \"" + Path("short.bin") +
                        "\" holds 2048 bytes; a 24C64 card holds 8192"},
      {"folder.bin", "Simulated card image \"" + Path("folder.bin") + "\" cannot be read"},
  };
  for (const auto& c : cases) {
    ReaderSetup setup;
    setup.imagePath = Path(c.file);
    try {
      Simulation simulation(setup);
      ADD_FAILURE() << c.file << " was accepted";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), c.message);
    }
  }
}

TEST_F(SimCardImage, ImageThatCannotBeRewrittenMakesTheWriteFail) {
  ReaderSetup setup;
  setup.imagePath = Path("gone/card.bin");  // its folder does not exist
  VirtualBench bench(setup);
  SimLink link(bench.simulation);
  EXPECT_EQ(WritePageRaw(link, 0, "\x42"), "65 81");
}
