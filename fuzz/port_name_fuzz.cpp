#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "serial/comport.h"

namespace {

// COM1 .. COM96, no leading zero.
bool IsPortName(const std::string& name) {
  if (name.size() < 4 || name.size() > 5 || name.compare(0, 3, "COM") != 0 || name[3] == '0') return false;
  int n = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
    n = n * 10 + (name[i] - '0');
  }
  return n >= 1 && n <= 96;
}

}  // namespace

// Any text names one of the 96 ports, and a normalised name stays as it is.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string name(reinterpret_cast<const char*>(data), size);
  const std::string normalised = NormalizePortName(name);
  FuzzCheck(IsPortName(normalised), "COM1 to COM96");
  FuzzCheck(NormalizePortName(normalised) == normalised, "normalising twice changes nothing");
  return 0;
}
