#include "apps/common/window_options.h"

#include <algorithm>
#include <stdexcept>

bool AsksForHelp(const std::vector<std::string>& args) {
  return std::find(args.begin(), args.end(), "--help") != args.end();
}

CommonOptions ParseWindowOptions(const std::vector<std::string>& args) {
  CommonOptions options;
  for (std::size_t i = 0; i < args.size();) {
    const int taken = TakeCommonOption(args, i, options);
    if (taken == 0) throw std::invalid_argument("unknown option \"" + args[i] + "\"");
    i += static_cast<std::size_t>(taken);
  }
  return options;
}

std::string WindowProgramHelp(const std::string& toolkitNote) {
  return "Usage: belvanto [OPTION]...\n"
         "Reads, writes, verifies and erases the EEPROM of a memory card through a serial\n"
         "card reader on COM1..COM4." +
         toolkitNote +
         "\n"
         "\n"
         "Options:\n" +
         CommonOptionsHelp() + "  --help               show this text\n";
}
