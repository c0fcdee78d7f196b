#include "card/image_formats.h"

#include <algorithm>
#include <cctype>

#include "card/image_records.h"

namespace image_records {

bool Lines::Next(std::string_view& line) {
  while (at_ < text_.size()) {
    const std::size_t end = std::min(text_.find('\n', at_), text_.size());
    line = text_.substr(at_, end - at_);
    at_ = end + 1;
    ++number_;
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
      line.remove_suffix(1);
    if (!line.empty()) return true;
  }
  if (!ended_) {
    ended_ = true;
    ++number_;
  }
  return false;
}

namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> HexBytes(std::string_view digits) {
  if (digits.size() % 2 != 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(digits.size() / 2);
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int high = DigitValue(digits[i]);
    const int low = DigitValue(digits[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
  }
  return bytes;
}

std::uint8_t ByteSum(const std::vector<std::uint8_t>& bytes) {
  unsigned sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  return static_cast<std::uint8_t>(sum);
}

std::uint32_t Number(const std::vector<std::uint8_t>& bytes, std::size_t first, std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = first; i < first + count; ++i) value = value << 8 | bytes[i];
  return value;
}

bool Assembly::Put(std::uint64_t address, const std::uint8_t* data, std::size_t count) {
  if (address > bytes_.size() || count > bytes_.size() - address) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const auto at = static_cast<std::size_t>(address) + i;
    if (written_[at]) return false;
    written_[at] = true;
    bytes_[at] = static_cast<char>(data[i]);
  }
  end_ = std::max(end_, static_cast<std::size_t>(address) + count);
  return true;
}

std::string Assembly::Bytes() && {
  bytes_.resize(end_);
  return std::move(bytes_);
}

ParsedImage ParseRecordLines(
    std::string_view text, std::size_t capacity, EndRecord end,
    const std::function<LineOutcome(std::string_view line, Assembly& image)>& apply) {
  Lines lines(text);
  Assembly image(capacity);
  std::string_view line;
  while (lines.Next(line)) {
    const LineOutcome outcome = apply(line, image);
    if (outcome == LineOutcome::kBad) return {"", lines.Number()};
    if (outcome == LineOutcome::kEnd)
      return lines.Next(line) ? ParsedImage{"", lines.Number()}
                              : ParsedImage{std::move(image).Bytes()};
  }
  if (end == EndRecord::kRequired) return {"", lines.Number()};
  return {std::move(image).Bytes()};
}

void AppendRecord(std::string& out, std::string_view lead, const std::vector<std::uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += lead;
  for (std::uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  out += "\r\n";
}

void AppendNumber(std::vector<std::uint8_t>& bytes, std::uint32_t value, std::size_t count) {
  for (std::size_t i = count; i-- > 0;)
    bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace image_records

namespace {

std::string LowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The part of the last path element after its last dot, or "" when it has none.
std::string ExtensionOf(const std::string& name) {
  const std::size_t leaf = name.find_last_of("/\\");
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || (leaf != std::string::npos && dot < leaf)) return "";
  return LowerCase(name.substr(dot + 1));
}

// The line on which a text longer than the limit passes it.
int LineOfLimit(std::string_view text) {
  return static_cast<int>(std::count(text.begin(), text.begin() + kImageTextLimit, '\n')) + 1;
}

}  // namespace

ImageFileKind KindOfImageFile(const std::string& name) {
  const std::string extension = ExtensionOf(name);
  if (extension == "hex" || extension == "ihx") return {ImageFormat::IntelHex};
  if (extension == "s28") return {ImageFormat::SRecords, SRecordAddress::Bits24};
  if (extension == "s37") return {ImageFormat::SRecords, SRecordAddress::Bits32};
  if (extension == "s19" || extension == "srec" || extension == "mot")
    return {ImageFormat::SRecords, SRecordAddress::Bits16};
  return {};
}

ParsedImage ParseImageText(const ImageFileKind& kind, std::string_view text, std::size_t capacity) {
  if (kind.format == ImageFormat::Raw) return {std::string(text.substr(0, capacity))};
  if (text.size() > kImageTextLimit) return {"", LineOfLimit(text)};
  return kind.format == ImageFormat::IntelHex ? ParseIntelHex(text, capacity)
                                              : ParseSRecords(text, capacity);
}

std::string ImageText(const ImageFileKind& kind, const std::string& bytes) {
  switch (kind.format) {
    case ImageFormat::IntelHex:
      return IntelHexText(bytes);
    case ImageFormat::SRecords:
      return SRecordsText(bytes, kind.address);
    case ImageFormat::Raw:
      break;
  }
  return bytes;
}
