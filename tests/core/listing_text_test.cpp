#include "ui/listing_text.h"

#include <gtest/gtest.h>

#include "card/buffer.h"

namespace {

std::string ListingOf(const std::string& bytes) {
  TBuffer buffer;
  buffer.SetData(bytes);
  return ui::ListingForDisplay(buffer.Dump());
}

// The character column of a one-line listing.
std::string Characters(const std::string& bytes) { return ListingOf(bytes).substr(54); }

}  // namespace

TEST(ListingText, CharacterColumnReadsAsWindows1252) {
  const struct {
    std::string bytes;
    std::string shown;
  } cases[] = {
      {"Belvanto", "Belvanto"},
      {"\xE9t\xE9 \xE0", "été à"},
      {"\x80\x82\x83\x84\x85\x86\x87", "€‚ƒ„…†‡"},
      {"\x88\x89\x8A\x8B\x8C\x8E", "ˆ‰Š‹ŒŽ"},
      {"\x91\x92\x93\x94\x95\x96\x97", "‘’“”•–—"},
      {"\x98\x99\x9A\x9B\x9C\x9E\x9F", "˜™š›œžŸ"},
      {"\xA0\xA9\xB0\xBF\xD7\xDF\xF7\xFF", "\u00A0©°¿×ß÷ÿ"},
      // No glyph of their own: one dot each, like the control bytes.
      {"\x7F\x81\x8D\x8F\x90\x9D\xAD", "......."},
      {std::string("\x00\x01\x1F\x20", 4), "... "},
  };
  for (const auto& c : cases) EXPECT_EQ(Characters(c.bytes), c.shown) << c.shown;
}

TEST(ListingText, LinesEndInLineFeedsAndTheHexPartStaysAscii) {
  const std::string bytes = std::string(16, '\xE9') + "\x80";
  EXPECT_EQ(ListingOf(bytes),
            "0000: E9 E9 E9 E9 E9 E9 E9 E9 E9 E9 E9 E9 E9 E9 E9 E9 éééééééééééééééé\n"
            "0010: 80" + std::string(46, ' ') + "€");
  EXPECT_EQ(ListingOf(""), "0000:" + std::string(49, ' '));
}
