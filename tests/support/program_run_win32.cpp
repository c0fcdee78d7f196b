#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "common/windows_text.h"
#include "program_run.h"

namespace test_support {

namespace {

// Test arguments are ours and always UTF-8.
std::wstring Wide(const std::string& text) { return Utf8ToWide(text).value(); }

// The quoting that CommandLineToArgvW and the C runtime undo: backslashes count only
// before a quote.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

struct Handle {
  HANDLE h = nullptr;
  ~Handle() { Close(); }
  void Close() {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    h = nullptr;
  }
};

// A pipe whose write end the child inherits.
struct Pipe {
  Pipe() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (!::CreatePipe(&read.h, &write.h, &inherit, 0)) throw std::runtime_error("CreatePipe failed");
    ::SetHandleInformation(read.h, HANDLE_FLAG_INHERIT, 0);
  }
  Handle read, write;
};

void ReadToEnd(HANDLE pipe, std::string& text) {
  char chunk[4096];
  DWORD n = 0;
  while (::ReadFile(pipe, chunk, sizeof chunk, &n, nullptr) && n > 0) text.append(chunk, n);
}

}  // namespace

std::string BuiltProgram(const std::string& name) {
  const std::string file = name + ".exe";
  if (const char* folder = std::getenv("BELVANTO_TEST_BIN")) return std::string(folder) + "/" + file;
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  return (std::filesystem::path(self).parent_path() / file).string();
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         int errorFd, std::chrono::seconds limit) {
  Pipe out;
  Pipe err;
  Handle nul;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  nul.h = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                        OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul.h;
  startup.hStdOutput = out.write.h;
  startup.hStdError = errorFd >= 0 ? reinterpret_cast<HANDLE>(::_get_osfhandle(errorFd)) : err.write.h;

  std::wstring commandLine = Quoted(Wide(program));
  for (const std::string& arg : args) commandLine += L" " + Quoted(Wide(arg));
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(Wide(program).c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                        nullptr, nullptr, &startup, &process))
    throw std::runtime_error("cannot start " + program);
  Handle child{process.hProcess};
  Handle thread{process.hThread};
  out.write.Close();
  err.write.Close();

  ProgramResult result;
  std::thread errReader([&] { ReadToEnd(err.read.h, result.err); });
  std::thread outReader([&] { ReadToEnd(out.read.h, result.out); });
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(limit).count();
  if (::WaitForSingleObject(child.h, static_cast<DWORD>(ms)) != WAIT_OBJECT_0) {
    ::TerminateProcess(child.h, 137);
    ::WaitForSingleObject(child.h, INFINITE);
    ADD_FAILURE() << program << " was still running at its time limit and was killed";
  }
  outReader.join();
  errReader.join();
  DWORD status = 0;
  ::GetExitCodeProcess(child.h, &status);
  result.status = static_cast<int>(status);
  return result;
}

}  // namespace test_support
