#pragma once

#include <cstdint>
#include <string>

// One image of card memory: a byte string that never grows beyond a capacity.
class TBuffer {
 public:
  TBuffer() = default;

  void Clear();
  void SetCapacity(int n);
  int Capacity() const { return FCapacity; }
  void SetData(const std::string& bytes);
  void Append(const std::string& bytes);
  std::uint8_t GetItem(int i) const;
  int Size() const { return static_cast<int>(FData.size()); }
  const std::string& Data() const { return FData; }

  std::string Dump() const;

  // Files are raw, Intel HEX or S-records by their extension (card/image_formats.h); a
  // raw file longer than the capacity is cut to it.
  void LoadFromFile(const std::string& name);
  void SaveToFile(const std::string& name) const;

 private:
  std::string FData;
  int FCapacity = 8192;
};
