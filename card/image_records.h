#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "card/image_formats.h"

// What the Intel HEX and S-record halves share; not for use outside them.
namespace image_records {

// The text's lines in order with their numbers from 1, trailing blanks and CR dropped,
// blank lines passed over. `Number()` after the end is the line after the last.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line);
  int Number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
  int number_ = 0;
  bool ended_ = false;
};

// The bytes that pairs of hexadecimal digits (either case) spell, or nothing.
std::optional<std::vector<std::uint8_t>> HexBytes(std::string_view digits);

// Sum of `bytes` modulo 256.
std::uint8_t ByteSum(const std::vector<std::uint8_t>& bytes);

// Big-endian number in `count` bytes from `first`.
std::uint32_t Number(const std::vector<std::uint8_t>& bytes, std::size_t first, std::size_t count);

// The image being loaded: every byte once, below the capacity; gaps read FF.
class Assembly {
 public:
  explicit Assembly(std::size_t capacity) : bytes_(capacity, '\xFF'), written_(capacity) {}
  bool Put(std::uint64_t address, const std::uint8_t* data, std::size_t count);
  std::string Bytes() &&;

 private:
  std::string bytes_;
  std::vector<bool> written_;
  std::size_t end_ = 0;
};

enum class LineOutcome { kBad, kRecord, kEnd };
enum class EndRecord { kOptional, kRequired };

// Hands every line to `apply` up to the end record, after which only blank lines may
// follow; the image, or the first line that `apply` refused or that is out of place.
ParsedImage ParseRecordLines(
    std::string_view text, std::size_t capacity, EndRecord end,
    const std::function<LineOutcome(std::string_view line, Assembly& image)>& apply);

// One record of text: `lead`, then each byte as two upper-case digits, then CR LF.
void AppendRecord(std::string& out, std::string_view lead, const std::vector<std::uint8_t>& bytes);

// `value` in `count` big-endian bytes appended to `bytes`.
void AppendNumber(std::vector<std::uint8_t>& bytes, std::uint32_t value, std::size_t count);

inline constexpr std::size_t kBytesPerRecord = 16;

}  // namespace image_records
