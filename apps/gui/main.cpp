// belvanto: the card programmer's window.
#include <QApplication>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "apps/gui/main_window.h"
#include "apps/common/port_choices.h"
#include "apps/common/window_options.h"
#include "common/version.h"
#include "serial/driver/directory.h"
#include "ui/qt/application.h"
#include "ui/qt/dialogs.h"

namespace {

const char* const kQtNote =
    " Qt's own options (-platform NAME, -style NAME,\n"
    "-reverse, ...) are taken as well.";

}  // namespace

int main(int argc, char** argv) {
  // Answered before Qt starts, since Qt ends a program that finds no display.
  if (AsksForHelp({argv + 1, argv + argc})) {
    std::fputs(WindowProgramHelp(kQtNote).c_str(), stdout);
    return 0;
  }
  // Qt takes its own options (-platform, -style, -reverse, ...) out of argv first.
  QApplication qtApplication(argc, argv);
  QGuiApplication::setDesktopFileName(BELVANTO_APP_ID);
  CommonOptions options;
  PortChoices choices(PortPlaces(), driver::PortDirectory::Instance());
  std::string notice;
  try {
    options = ParseWindowOptions({argv + 1, argv + argc});
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
