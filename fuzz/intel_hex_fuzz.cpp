#include "fuzz/image_round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckImageRoundTrip(data, size, ParseIntelHex, IntelHexText);
  return 0;
}
