// belvanto.exe: the card programmer's window on Windows.
#include "apps/gui/win32/main_window.h"

#include <stdexcept>
#include <string>

#include "apps/common/port_choices.h"
#include "apps/common/window_options.h"
#include "common/windows_text.h"
#include "serial/driver/directory.h"
#include "ui/win32/application.h"
#include "ui/win32/dialogs.h"
#include "ui/win32/text.h"

namespace {

// A window program has no console of its own: its texts go where its standard handles
// lead (a console, a pipe, a file, the terminal that started it under Wine), or else
// to a message box.
void Tell(const std::string& text, DWORD standardHandle, UINT icon) {
  HANDLE output = GetStdHandle(standardHandle);
  DWORD written = 0;
  if (output && output != INVALID_HANDLE_VALUE &&
      WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
    return;
  MessageBoxW(nullptr, ui::win32::WideText(text).c_str(), L"Belvanto", MB_OK | icon);
}

void TellError(const std::string& text) { Tell(text, STD_ERROR_HANDLE, MB_ICONERROR); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const Utf8Arguments converted = ArgumentsToUtf8(argc, argv);
  if (converted.unconvertible) {
    TellError("belvanto: argument " + std::to_string(converted.unconvertible) +
              " is not Unicode text\n");
    return 2;
  }
  if (AsksForHelp(converted.args)) {
    Tell(WindowProgramHelp(""), STD_OUTPUT_HANDLE, MB_ICONINFORMATION);
    return 0;
  }
  // Windows names its ports COMn itself: there are no choices to restore.
  PortChoices choices(PortPlaces(), driver::PortDirectory::Instance());
  try {
    ApplyCommonOptions(ParseWindowOptions(converted.args), choices);
  } catch (const std::invalid_argument& e) {
    TellError(std::string("belvanto: ") + e.what() + "\nTry 'belvanto --help' for the options.\n");
    return 2;
  } catch (const std::exception& e) {
    TellError(std::string("belvanto: ") + e.what() + "\n");
    return 1;
  }

  ui::win32::Win32Dialogs dialogs;
  ui::win32::Application application(dialogs);
  TForm1 form(dialogs);
  form.Show();
  return application.Run();
}
