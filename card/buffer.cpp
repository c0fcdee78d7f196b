#include "card/buffer.h"

#include <algorithm>
#include <stdexcept>

#include "card/image_formats.h"
#include "common/file_io.h"

namespace {

constexpr std::size_t kBytesPerLine = 16;
constexpr std::size_t kCharColumn = 54;

std::size_t AsLimit(int capacity) { return capacity < 0 ? 0 : static_cast<std::size_t>(capacity); }

char HexDigit(unsigned v) { return "0123456789ABCDEF"[v & 0xF]; }

// Four digits at least: nothing stops a caller from a capacity beyond 64 KiB.
char* WriteOffset(char* p, std::size_t offset) {
  int digits = 4;
  while (digits < 16 && (offset >> (4 * digits)) != 0) ++digits;
  for (int d = digits - 1; d >= 0; --d) *p++ = HexDigit(static_cast<unsigned>(offset >> (4 * d)));
  *p++ = ':';
  return p;
}

// A line is composed in place and appended once: the listing of a full card is redone
// after every read and load, and appending character by character cost most of it.
void AppendListingLine(std::string& out, const std::string& data, std::size_t offset) {
  char line[kCharColumn + 2 * kBytesPerLine];
  const std::size_t count = std::min(kBytesPerLine, data.size() - offset);
  char* p = WriteOffset(line, offset);
  for (std::size_t i = 0; i < count; ++i) {
    const auto b = static_cast<std::uint8_t>(data[offset + i]);
    *p++ = ' ';
    *p++ = HexDigit(b >> 4);
    *p++ = HexDigit(b);
  }
  char* const column = line + kCharColumn;
  while (p < column) *p++ = ' ';
  for (std::size_t i = 0; i < count; ++i) {
    const char c = data[offset + i];
    *p++ = static_cast<std::uint8_t>(c) >= 0x20 ? c : '.';
  }
  out.append(line, static_cast<std::size_t>(p - line));
}

}  // namespace

void TBuffer::Clear() { FData.clear(); }

void TBuffer::SetCapacity(int n) {
  FCapacity = n;
  if (Size() > n) FData.resize(AsLimit(n));
}

void TBuffer::SetData(const std::string& bytes) {
  FData = bytes.substr(0, AsLimit(FCapacity));
}

void TBuffer::Append(const std::string& bytes) {
  const int room = FCapacity - Size();
  if (room > 0) FData.append(bytes, 0, static_cast<std::size_t>(room));
}

std::uint8_t TBuffer::GetItem(int i) const {
  if (i < 0 || i >= Size())
    throw std::runtime_error("GetItem: Length=" + std::to_string(Size()) +
                             " iPos=" + std::to_string(i));
  return static_cast<std::uint8_t>(FData[static_cast<std::size_t>(i)]);
}

std::string TBuffer::Dump() const {
  std::string out;
  const std::size_t lines = FData.size() / kBytesPerLine + 1;
  out.reserve(lines * (kCharColumn + kBytesPerLine + 2));
  for (std::size_t k = 0; k < lines; ++k) {
    if (k > 0) out += "\r\n";
    AppendListingLine(out, FData, k * kBytesPerLine);
  }
  return out;
}

// The data is replaced only when the whole read succeeded and the file was valid.
void TBuffer::LoadFromFile(const std::string& name) {
  const ImageFileKind kind = KindOfImageFile(name);
  const std::size_t capacity = AsLimit(FCapacity);
  std::string contents;
  switch (ReadFilePrefix(name, kind.format == ImageFormat::Raw ? capacity : kImageTextLimit + 1,
                         contents)) {
    case FileReadResult::Ok:
      break;
    case FileReadResult::OpenFailed:
      throw std::runtime_error("Erreur d'ouverture du fichier " + name);
    case FileReadResult::ReadFailed:
      throw std::runtime_error("Erreur de lecture du fichier " + name);
  }
  ParsedImage image = ParseImageText(kind, contents, capacity);
  if (image.badLine != 0)
    throw std::runtime_error("Format de fichier invalide : " + name + " ligne " +
                             std::to_string(image.badLine));
  FData = std::move(image.bytes);
}

// An existing file is replaced only by a complete new one.
void TBuffer::SaveToFile(const std::string& name) const {
  if (WriteFileAtomically(name, ImageText(KindOfImageFile(name), FData)) != 0)
    throw std::runtime_error("Erreur de creation du fichier " + name);
}
