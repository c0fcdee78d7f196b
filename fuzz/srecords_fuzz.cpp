#include "fuzz/image_round_trip.h"

// Every address width writes a file that loads back.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (SRecordAddress address :
       {SRecordAddress::Bits16, SRecordAddress::Bits24, SRecordAddress::Bits32})
    CheckImageRoundTrip(data, size, ParseSRecords, [address](const std::string& bytes) {
      return SRecordsText(bytes, address);
    });
  return 0;
}
