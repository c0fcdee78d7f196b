#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "apps/cli/cli.h"
#include "common/windows_text.h"

namespace {

// The program's UTF-8 texts (é, à) shown as such on the console, and its outputs byte
// for byte as on Linux (no "\r" added before "\n"). Unbuffered, the C runtime hands a
// console one byte at a time, and the console cannot join the bytes of an é written
// apart: with a buffer each text goes out whole (std::cerr still flushes after every
// output). The console's code page is given back at the end: it outlives the program.
class Utf8Outputs {
 public:
  Utf8Outputs() : consoleCodePage_(::GetConsoleOutputCP()) {
    ::SetConsoleOutputCP(CP_UTF8);
    for (FILE* stream : {stdout, stderr}) {
      _setmode(_fileno(stream), _O_BINARY);
      std::setvbuf(stream, nullptr, _IOFBF, BUFSIZ);
    }
  }
  ~Utf8Outputs() {
    std::cout.flush();
    if (consoleCodePage_ != 0) ::SetConsoleOutputCP(consoleCodePage_);
  }
  Utf8Outputs(const Utf8Outputs&) = delete;
  Utf8Outputs& operator=(const Utf8Outputs&) = delete;

 private:
  UINT consoleCodePage_;  // 0 without a console
};

}  // namespace

// Windows passes the arguments in UTF-16; inside the program text is UTF-8, and file
// names go back to UTF-16 only where a file is opened. An argument that has no UTF-8
// form (an unpaired surrogate) is refused rather than turned into another name.
int wmain(int argc, wchar_t** argv) {
  const Utf8Outputs outputs;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::optional<std::string> arg = WideToUtf8(argv[i]);
    if (!arg) {
      std::cerr << "belvanto-cli: argument " << i << " is not Unicode text" << std::endl;
      return cli::kUsage;
    }
    args.push_back(*arg);
  }
  return cli::Run(args, {std::cout, std::cerr, _fileno(stderr)});
}
