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

// Address bytes of the record types S0 to S9; the reserved S4 has none.
constexpr std::size_t kAddressBytes[] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

enum RecordKind { kHeader, kData, kCount, kEnd };

RecordKind KindOf(int type) {
  if (type == 0) return kHeader;
  if (type <= 3) return kData;
  if (type <= 6) return kCount;
  return kEnd;
}

struct Record {
  RecordKind kind;
  std::uint32_t address;
  std::vector<std::uint8_t> data;
};

// "S", the type digit, then count, address, data and a checksum that brings the sum
// of them all to FF.
std::optional<Record> RecordOf(std::string_view line) {
  if (line.size() < 2 || line[0] != 'S' || line[1] < '0' || line[1] > '9') return std::nullopt;
  const int type = line[1] - '0';
  const std::size_t width = kAddressBytes[type];
  const auto bytes = HexBytes(line.substr(2));
  if (width == 0 || !bytes || bytes->size() < width + 2 || (*bytes)[0] != bytes->size() - 1 ||
      ByteSum(*bytes) != 0xFF)
    return std::nullopt;
  return Record{KindOf(type), Number(*bytes, 1, width),
                std::vector<std::uint8_t>(bytes->begin() + 1 + static_cast<std::ptrdiff_t>(width),
                                          bytes->end() - 1)};
}

// Applies one record; false when it is not valid where it stands.
bool Apply(const Record& record, std::uint32_t& dataRecords, Assembly& image) {
  switch (record.kind) {
    case kHeader:
      return true;
    case kData:
      ++dataRecords;
      return image.Put(record.address, record.data.data(), record.data.size());
    case kCount:
      return record.data.empty() && record.address == dataRecords;
    case kEnd:
      return record.data.empty();
  }
  return false;
}

std::size_t WidthFor(std::size_t size) {
  if (size <= 0x10000) return 2;
  return size <= 0x1000000 ? 3 : 4;
}

void AppendSRecord(std::string& out, std::size_t type, std::uint32_t address, std::size_t width,
                   const std::uint8_t* data, std::size_t count) {
  std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(width + count + 1)};
  AppendNumber(bytes, address, width);
  bytes.insert(bytes.end(), data, data + count);
  bytes.push_back(static_cast<std::uint8_t>(~ByteSum(bytes)));
  const char lead[] = {'S', static_cast<char>('0' + type)};
  AppendRecord(out, std::string_view(lead, 2), bytes);
}

}  // namespace

ParsedImage ParseSRecords(std::string_view text, std::size_t capacity) {
  std::uint32_t dataRecords = 0;
  return ParseRecordLines(text, capacity, EndRecord::kOptional,
                          [&dataRecords](std::string_view line, Assembly& image) {
                            const auto record = RecordOf(line);
                            if (!record || !Apply(*record, dataRecords, image))
                              return LineOutcome::kBad;
                            return record->kind == kEnd ? LineOutcome::kEnd : LineOutcome::kRecord;
                          });
}

// Data records are S1, S2 or S3 by address width, end records S9, S8 or S7.
std::string SRecordsText(const std::string& bytes, SRecordAddress address) {
  const std::size_t width = std::max(static_cast<std::size_t>(address), WidthFor(bytes.size()));
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  std::string out;
  AppendSRecord(out, 0, 0, 2, nullptr, 0);
  std::uint32_t records = 0;
  for (std::size_t at = 0; at < bytes.size(); at += kBytesPerRecord, ++records)
    AppendSRecord(out, width - 1, static_cast<std::uint32_t>(at), width, data + at,
                  std::min(kBytesPerRecord, bytes.size() - at));
  if (records <= 0xFFFF)
    AppendSRecord(out, 5, records, 2, nullptr, 0);
  else
    AppendSRecord(out, 6, records, 3, nullptr, 0);
  AppendSRecord(out, 11 - width, 0, width, nullptr, 0);
  return out;
}
