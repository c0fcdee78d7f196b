#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <iostream>
#include <string>
#include <vector>

#include "apps/cli/cli.h"

namespace {

// Windows passes the arguments in UTF-16; inside the program text is UTF-8, and file
// names go back to UTF-16 only where a file is opened.
std::string Utf8FromWide(const wchar_t* text) {
  const int length = static_cast<int>(std::wcslen(text));
  if (length == 0) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

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

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Utf8FromWide(argv[i]));
  const Utf8Outputs outputs;
  return cli::Run(args, {std::cout, std::cerr, _fileno(stderr)});
}
