#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "card/image_formats.h"
#include "card/image_records.h"

using namespace image_records;

namespace {

enum RecordType : std::uint8_t {
  kData = 0x00,
  kEndOfFile = 0x01,
  kSegmentAddress = 0x02,
  kStartSegment = 0x03,
  kLinearAddress = 0x04,
  kStartLinear = 0x05,
};

struct Record {
  std::uint16_t offset;
  std::uint8_t type;
  std::vector<std::uint8_t> data;
};

// ":" then length, offset, type, data and a checksum that brings the sum to zero.
std::optional<Record> RecordOf(std::string_view line) {
  if (line.empty() || line.front() != ':') return std::nullopt;
  const auto bytes = HexBytes(line.substr(1));
  if (!bytes || bytes->size() < 5 || (*bytes)[0] != bytes->size() - 5 || ByteSum(*bytes) != 0)
    return std::nullopt;
  return Record{static_cast<std::uint16_t>(Number(*bytes, 1, 2)), (*bytes)[3],
                std::vector<std::uint8_t>(bytes->begin() + 4, bytes->end() - 1)};
}

// The length each record type other than data must have.
std::size_t FixedLength(std::uint8_t type) {
  switch (type) {
    case kEndOfFile:
      return 0;
    case kSegmentAddress:
    case kLinearAddress:
      return 2;
    default:
      return 4;
  }
}

// Applies one record; false when it is not valid where it stands.
bool Apply(const Record& record, std::uint64_t& base, Assembly& image) {
  if (record.type > kStartLinear) return false;
  if (record.type == kData)
    return image.Put(base + record.offset, record.data.data(), record.data.size());
  if (record.data.size() != FixedLength(record.type)) return false;
  if (record.type == kSegmentAddress) base = std::uint64_t{Number(record.data, 0, 2)} << 4;
  if (record.type == kLinearAddress) base = std::uint64_t{Number(record.data, 0, 2)} << 16;
  return true;
}

void AppendHexRecord(std::string& out, std::uint16_t offset, std::uint8_t type,
                     const std::uint8_t* data, std::size_t count) {
  std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(count)};
  AppendNumber(bytes, offset, 2);
  bytes.push_back(type);
  bytes.insert(bytes.end(), data, data + count);
  bytes.push_back(static_cast<std::uint8_t>(-ByteSum(bytes)));
  AppendRecord(out, ":", bytes);
}

}  // namespace

ParsedImage ParseIntelHex(std::string_view text, std::size_t capacity) {
  std::uint64_t base = 0;
  return ParseRecordLines(
      text, capacity, EndRecord::kRequired, [&base](std::string_view line, Assembly& image) {
        const auto record = RecordOf(line);
        if (!record || !Apply(*record, base, image)) return LineOutcome::kBad;
        return record->type == kEndOfFile ? LineOutcome::kEnd : LineOutcome::kRecord;
      });
}

std::string IntelHexText(const std::string& bytes) {
  std::string out;
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  for (std::size_t at = 0; at < bytes.size(); at += kBytesPerRecord) {
    if (at % 0x10000 == 0 && at > 0) {
      const std::uint8_t upper[] = {static_cast<std::uint8_t>(at >> 24),
                                    static_cast<std::uint8_t>(at >> 16)};
      AppendHexRecord(out, 0, kLinearAddress, upper, 2);
    }
    AppendHexRecord(out, static_cast<std::uint16_t>(at), kData, data + at,
                    std::min(kBytesPerRecord, bytes.size() - at));
  }
  AppendHexRecord(out, 0, kEndOfFile, nullptr, 0);
  return out;
}
