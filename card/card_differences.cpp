#include "card/card_differences.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "card/card_link.h"

namespace {

constexpr int kLineBytes = 16;
// "0x01F0  ": the address column of the side-by-side lines.
constexpr std::size_t kAddressWidth = 8;
constexpr std::size_t kHexWidth = kLineBytes * 3 - 1;
const char* const kColumnGap = " | ";

std::string HexAddress(int address) {
  char text[12];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(address));
  return text;
}

// "1 octet", "16 octets"
std::string ByteCount(int count) {
  return std::to_string(count) + (count == 1 ? " octet" : " octets");
}

std::string RangeLine(const ByteRange& range) {
  return HexAddress(range.first) + "-" + HexAddress(range.last) + " (" +
         ByteCount(range.Length()) + ")\n";
}

std::string RestLine(std::size_t count, int bytes) {
  return "et " + std::to_string(count) + (count == 1 ? " autre plage (" : " autres plages (") +
         ByteCount(bytes) + ")\n";
}

std::string Padded(std::string text, std::size_t width) {
  text.resize(std::max(text.size(), width), ' ');
  return text;
}

// The line's bytes as hex text, and a marker text with "^^" under those that differ.
struct HexColumn {
  std::string card;
  std::string expected;
  std::string marks;
  bool differs = false;
};

HexColumn ColumnOf(const TBuffer& expected, const TBuffer& card, int start) {
  HexColumn column;
  const int end = std::min(start + kLineBytes, expected.Size());
  for (int i = start; i < end; ++i) {
    const bool differs = expected.GetItem(i) != card.GetItem(i);
    column.differs = column.differs || differs;
    column.marks += i > start ? " " : "";
    column.marks += differs ? "^^" : "  ";
  }
  column.card = BytesToHex(card.Data().substr(start, end - start));
  column.expected = BytesToHex(expected.Data().substr(start, end - start));
  return column;
}

std::string TrimmedRight(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

}  // namespace

std::vector<ByteRange> DifferingRanges(const TBuffer& expected, const TBuffer& card) {
  std::vector<ByteRange> ranges;
  for (int i = 0; i < expected.Size(); ++i) {
    if (expected.GetItem(i) == card.GetItem(i)) continue;
    if (!ranges.empty() && ranges.back().last == i - 1)
      ranges.back().last = i;
    else
      ranges.push_back({i, i});
  }
  return ranges;
}

std::string RangesReport(const std::vector<ByteRange>& ranges, std::size_t shown) {
  std::string report;
  int restBytes = 0;
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    if (i < shown)
      report += RangeLine(ranges[i]);
    else
      restBytes += ranges[i].Length();
  }
  if (ranges.size() > shown) report += RestLine(ranges.size() - shown, restBytes);
  return report;
}

std::string SideBySide(const TBuffer& expected, const TBuffer& card,
                       const std::string& expectedTitle) {
  std::string text;
  for (int start = 0; start < expected.Size(); start += kLineBytes) {
    const HexColumn column = ColumnOf(expected, card, start);
    if (!column.differs) continue;
    if (text.empty())
      text += Padded("", kAddressWidth) + Padded("carte", kHexWidth) + kColumnGap +
              expectedTitle + "\n";
    text += Padded(HexAddress(start), kAddressWidth) + Padded(column.card, kHexWidth) +
            kColumnGap + column.expected + "\n";
    text += TrimmedRight(Padded("", kAddressWidth) + Padded(column.marks, kHexWidth) +
                         Padded("", std::string(kColumnGap).size()) + column.marks) +
            "\n";
  }
  return text;
}

std::vector<Page> PagesOf(int size, int pageSize) {
  if (pageSize <= 0) throw std::invalid_argument("PageSize must be positive");
  std::vector<Page> pages;
  for (int address = 0; address < size; address += pageSize)
    pages.push_back({address, std::min(pageSize, size - address)});
  return pages;
}

std::vector<Page> ChangedPages(const TBuffer& wanted, const TBuffer& card, int pageSize) {
  std::vector<Page> changed;
  for (const Page& page : PagesOf(wanted.Size(), pageSize)) {
    for (int i = page.address; i < page.address + page.length; ++i) {
      if (wanted.GetItem(i) == card.GetItem(i)) continue;
      changed.push_back(page);
      break;
    }
  }
  return changed;
}
