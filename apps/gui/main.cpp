// belvanto: the card programmer's window.
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "apps/gui/main_window.h"
#include "apps/common/port_choices.h"
#include "apps/common/program_options.h"
#include "serial/driver/directory.h"
#include "ui/qt/application.h"
#include "ui/qt/dialogs.h"

namespace {

const char* const kUsage =
    "Usage: belvanto [OPTION]...\n"
    "Reads, writes, verifies and erases the EEPROM of a memory card through a serial\n"
    "card reader on COM1..COM4. Qt's own options (-platform NAME, -style NAME,\n"
    "-reverse, ...) are taken as well.\n"
    "\n"
    "Options:\n";

// Answered before Qt starts, since Qt ends a program that finds no display.
bool AsksForHelp(const std::vector<std::string>& args) {
  return std::find(args.begin(), args.end(), "--help") != args.end();
}

// Raises std::invalid_argument for an argument that is not an option of the program.
void ParseArguments(const std::vector<std::string>& args, CommonOptions& options) {
  for (std::size_t i = 0; i < args.size();) {
    const int taken = TakeCommonOption(args, i, options);
    if (taken == 0) throw std::invalid_argument("unknown option \"" + args[i] + "\"");
    i += static_cast<std::size_t>(taken);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (AsksForHelp({argv + 1, argv + argc})) {
    std::printf("%s%s  --help               show this text\n", kUsage,
                CommonOptionsHelp().c_str());
    return 0;
  }
  // Qt takes its own options (-platform, -style, -reverse, ...) out of argv first.
  QApplication qtApplication(argc, argv);
  CommonOptions options;
  PortChoices choices(PortPlaces(), driver::PortDirectory::Instance());
  std::string notice;
  try {
    ParseArguments({argv + 1, argv + argc}, options);
    notice = ApplyCommonOptions(options, choices);
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "belvanto: %s\nTry 'belvanto --help' for the options.\n", e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "belvanto: %s\n", e.what());
    return 1;
  }

  ui::qt::QtDialogs dialogs;
  ui::qt::Application application(dialogs);
  TForm1 form(dialogs);
  // The simulated readers stand for the ports: there is no device to choose.
  if (!options.simulate) form.UsePortChoices(choices, notice);
  form.show();
  return application.Run();
}
