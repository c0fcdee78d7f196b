#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "card/buffer.h"

// Where a card differs from what it should hold, and which write pages must change.

// Bytes `first` to `last`, both included.
struct ByteRange {
  int first;
  int last;
  int Length() const { return last - first + 1; }
};

// Every run of consecutive bytes in which `card` differs from `expected`, over the
// length of `expected` (a shorter `card` raises the buffer's range error, as
// CompareBuffers does).
std::vector<ByteRange> DifferingRanges(const TBuffer& expected, const TBuffer& card);

// One line per range, "0x01F0-0x01FF (16 octets)", at most `shown` of them, then one
// line that counts the rest: "et 3 autres plages (40 octets)".
std::string RangesReport(const std::vector<ByteRange>& ranges, std::size_t shown = 20);

// Each 16-byte line in which the two differ, side by side: the address, the card's
// bytes, "|", the expected bytes, and beneath them "^^" under every byte that differs.
// `expectedTitle` heads the expected column ("fichier").
std::string SideBySide(const TBuffer& expected, const TBuffer& card,
                       const std::string& expectedTitle);

// One write command's share of an image.
struct Page {
  int address;
  int length;
};

// The pages that write `size` bytes from address 0, `pageSize` each, the last shorter.
std::vector<Page> PagesOf(int size, int pageSize);
// The pages of `wanted` whose bytes differ on `card`.
std::vector<Page> ChangedPages(const TBuffer& wanted, const TBuffer& card, int pageSize);
