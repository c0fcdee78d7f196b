#include "card/card_differences.h"

#include <gtest/gtest.h>

namespace {

TBuffer BufferOf(const std::string& bytes) {
  TBuffer buffer;
  buffer.SetData(bytes);
  return buffer;
}

// A card of `size` bytes and what it should hold, differing at `offsets`.
struct Pair { TBuffer expected, card; };
Pair DifferingAt(std::initializer_list<int> offsets, int size = 64) {
  std::string card(static_cast<std::size_t>(size), '\0');
  for (int i = 0; i < size; ++i) card[static_cast<std::size_t>(i)] = static_cast<char>(i);
  std::string expected = card;
  for (int offset : offsets) expected[static_cast<std::size_t>(offset)] ^= 0x5A;
  return {BufferOf(expected), BufferOf(card)};
}

TEST(CardDifferences, RangesJoinNeighboursAndTheReportCountsWhatItDoesNotShow) {
  const Pair pair = DifferingAt({0, 1, 2, 9, 15, 16, 63});
  const auto ranges = DifferingRanges(pair.expected, pair.card);
  EXPECT_EQ(RangesReport(ranges),
            "0x0000-0x0002 (3 octets)\n0x0009-0x0009 (1 octet)\n0x000F-0x0010 (2 octets)\n"
            "0x003F-0x003F (1 octet)\n");
  EXPECT_EQ(RangesReport(ranges, 1), "0x0000-0x0002 (3 octets)\net 3 autres plages (4 octets)\n");
  EXPECT_EQ(RangesReport(ranges, 3),
            "0x0000-0x0002 (3 octets)\n0x0009-0x0009 (1 octet)\n0x000F-0x0010 (2 octets)\n"
            "et 1 autre plage (1 octet)\n");
  EXPECT_TRUE(DifferingRanges(pair.card, pair.card).empty());
  // Only the expected length counts: a shorter file verifies against the card's start.
  EXPECT_TRUE(DifferingRanges(BufferOf(pair.card.Data().substr(0, 5)), pair.card).empty());
}

TEST(CardDifferences, SideBySideShowsOnlyDifferingLinesAndMarksEachByte) {
  const Pair pair = DifferingAt({0x11, 0x14, 0x22}, 0x24);
  EXPECT_EQ(SideBySide(pair.expected, pair.card, "fichier"),
            "        carte" + std::string(42, ' ') + " | fichier\n"
            "0x0010  10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F | "
            "10 4B 12 13 4E 15 16 17 18 19 1A 1B 1C 1D 1E 1F\n"
            "           ^^       ^^" + std::string(39, ' ') + "^^       ^^\n"
            "0x0020  20 21 22 23" + std::string(36, ' ') + " | 20 21 78 23\n"
            "              ^^" + std::string(48, ' ') + "^^\n");
  EXPECT_EQ(SideBySide(pair.card, pair.card, "fichier"), "");
}

TEST(CardDifferences, ChangedPagesAreThoseWithAnyDifferingByteTheLastOneShorter) {
  const Pair pair = DifferingAt({7, 8, 40, 41});
  const auto text = [](const std::vector<Page>& pages) {
    std::string out;
    for (const Page& page : pages) out += std::to_string(page.address) + "+" + std::to_string(page.length) + " ";
    return out;
  };
  EXPECT_EQ(text(ChangedPages(pair.expected, pair.card, 8)), "0+8 8+8 40+8 ");
  EXPECT_EQ(text(ChangedPages(pair.expected, pair.card, 16)), "0+16 32+16 ");
  EXPECT_EQ(text(PagesOf(20, 16)), "0+16 16+4 ");
  EXPECT_THROW(PagesOf(20, 0), std::invalid_argument);
}

}  // namespace
