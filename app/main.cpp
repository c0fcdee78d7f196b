// belvanto: the card programmer's window.
#include <QApplication>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/program_options.h"
#include "ui/qt/application.h"
#include "ui/qt/dialogs.h"

namespace {

const char* const kUsage =
    "Usage: belvanto [OPTION]...\n"
    "Reads, writes, verifies and erases the EEPROM of a memory card through a serial\n"
    "card reader on COM1..COM4.\n"
    "\n"
    "Options:\n";

enum class Request { Run, Help };

// Raises std::invalid_argument for an argument that is not an option of the program.
Request ParseArguments(const std::vector<std::string>& args, CommonOptions& options) {
  for (std::size_t i = 0; i < args.size();) {
    if (args[i] == "--help") return Request::Help;
    const int taken = TakeCommonOption(args, i, options);
    if (taken == 0) throw std::invalid_argument("unknown option \"" + args[i] + "\"");
    i += static_cast<std::size_t>(taken);
  }
  return Request::Run;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    CommonOptions options;
    if (ParseArguments({argv + 1, argv + argc}, options) == Request::Help) {
      std::printf("%s%s  --help               show this text\n", kUsage,
                  CommonOptionsHelp().c_str());
      return 0;
    }
    ApplyCommonOptions(options);
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "belvanto: %s\nTry 'belvanto --help' for the options.\n", e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "belvanto: %s\n", e.what());
    return 1;
  }

  // Qt sees no argument: every one was the program's own.
  int qtArgc = 1;
  QApplication qtApplication(qtArgc, argv);
  ui::qt::QtDialogs dialogs;
  ui::qt::Application application(dialogs);
  TForm1 form(dialogs);
  form.show();
  return application.Run();
}
