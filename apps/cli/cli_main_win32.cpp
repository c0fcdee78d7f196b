#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>

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
// names go back to UTF-16 only where a file is opened.
int wmain(int argc, wchar_t** argv) {
  const Utf8Outputs outputs;
  const Utf8Arguments converted = ArgumentsToUtf8(argc, argv);
  if (converted.unconvertible) {
    std::cerr << "belvanto-cli: argument " << converted.unconvertible << " is not Unicode text"
              << std::endl;
    return cli::kUsage;
  }
  return cli::Run(converted.args, {std::cout, std::cerr, _fileno(stderr)});
}
