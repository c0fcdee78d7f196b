#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Card images as files: raw bytes, Intel HEX or Motorola S-records, chosen by the file
// name's extension. The text forms hold addresses, so a loaded image is the bytes from
// address 0 to the highest address written, gaps filled with FF.

enum class ImageFormat { Raw, IntelHex, SRecords };

// The address width of S-records: S1/S9 (16 bits), S2/S8 (24 bits), S3/S7 (32 bits).
enum class SRecordAddress { Bits16 = 2, Bits24 = 3, Bits32 = 4 };

struct ImageFileKind {
  ImageFormat format = ImageFormat::Raw;
  SRecordAddress address = SRecordAddress::Bits16;
};

// .hex/.ihx, .s19/.s28/.s37/.srec/.mot (any case); every other name is raw.
ImageFileKind KindOfImageFile(const std::string& name);

// The image a text file describes, or the first line (counted from 1) that is not valid.
struct ParsedImage {
  std::string bytes;
  int badLine = 0;
};

// Records are checked whole: checksums, lengths, no address at or beyond `capacity`, no
// byte given twice. Blank lines are passed over; lines after the end record are refused.
// Intel HEX must end with its end-of-file record (a missing one is reported on the line
// after the last); S-records may omit S7/S8/S9, and an S5/S6 count must match.
ParsedImage ParseIntelHex(std::string_view text, std::size_t capacity);
ParsedImage ParseSRecords(std::string_view text, std::size_t capacity);

// 16 data bytes per record, CR LF line ends. Intel HEX adds extended linear address
// records past 64 KiB; S-records begin with an empty S0 header, count their data records
// in S5 (S6 past 65535) and end with the end record of their width, which widens when an
// address does not fit.
std::string IntelHexText(const std::string& bytes);
std::string SRecordsText(const std::string& bytes, SRecordAddress address);

// A text image larger than this is refused where it passes the limit.
inline constexpr std::size_t kImageTextLimit = 4 * 1024 * 1024;

ParsedImage ParseImageText(const ImageFileKind& kind, std::string_view text, std::size_t capacity);
std::string ImageText(const ImageFileKind& kind, const std::string& bytes);
