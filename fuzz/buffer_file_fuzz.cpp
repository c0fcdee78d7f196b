#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "card/buffer.h"
#include "fuzz/fuzz_check.h"

namespace {

// One file per fuzzing process, rewritten for every input and removed at exit.
struct InputFile {
  std::string path = "/tmp/belvanto-buffer-fuzz-" + std::to_string(::getpid()) + ".bin";
  ~InputFile() { std::remove(path.c_str()); }
};

// The listing: a line per 16 bytes and one more, CR LF between lines.
std::size_t LinesOf(const std::string& listing) {
  std::size_t lines = 1;
  for (std::size_t at = listing.find("\r\n"); at != std::string::npos; at = listing.find("\r\n", at + 2)) ++lines;
  return lines;
}

}  // namespace

// Any file loads as its first bytes up to the capacity (the first input byte chooses
// one of the three card sizes), and any contents list without fault.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const InputFile file;
  if (size == 0) return 0;
  static const int kCapacities[] = {2048, 4096, 8192};
  const std::string contents(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::FILE* out = std::fopen(file.path.c_str(), "wb");
  FuzzCheck(out != nullptr, "the input file can be written");
  std::fwrite(contents.data(), 1, contents.size(), out);
  std::fclose(out);

  TBuffer buffer;
  buffer.SetCapacity(kCapacities[data[0] % 3]);
  buffer.LoadFromFile(file.path);
  FuzzCheck(buffer.Data() == contents.substr(0, static_cast<std::size_t>(buffer.Capacity())),
            "the file's first bytes up to the capacity");
  const std::string listing = buffer.Dump();
  FuzzCheck(LinesOf(listing) == static_cast<std::size_t>(buffer.Size()) / 16 + 1, "a line per 16 bytes");
  return 0;
}
