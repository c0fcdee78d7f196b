#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "card/image_formats.h"
#include "fuzz/fuzz_check.h"

// A text that loads saves in the same format, and what was saved loads as the same bytes.
inline void CheckImageRoundTrip(const std::uint8_t* data, std::size_t size,
                                ParsedImage (*parse)(std::string_view, std::size_t),
                                const std::function<std::string(const std::string&)>& save) {
  constexpr std::size_t kCapacity = 8192;
  const ParsedImage loaded =
      parse(std::string_view(reinterpret_cast<const char*>(data), size), kCapacity);
  if (loaded.badLine != 0) {
    FuzzCheck(loaded.bytes.empty(), "a refused file gives no bytes");
    return;
  }
  FuzzCheck(loaded.bytes.size() <= kCapacity, "the image fits the capacity");
  const ParsedImage again = parse(save(loaded.bytes), kCapacity);
  FuzzCheck(again.badLine == 0 && again.bytes == loaded.bytes, "the saved image loads back equal");
}
