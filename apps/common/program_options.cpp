#include "apps/common/program_options.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "apps/common/port_choices.h"
#include "apps/common/port_mapping.h"
#include "common/ascii_text.h"
#include "serial/comport.h"
#include "serial/driver/directory.h"
#include "sim/scenarios.h"

namespace {

double ParseSpeed(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(value) || value <= 0)
    throw std::invalid_argument("--sim-speed expects a positive number, not \"" + text + "\"");
  return value;
}

}  // namespace

OptionValue TakeOptionValue(const std::vector<std::string>& args, std::size_t index,
                            const std::string& name) {
  const std::string& arg = args[index];
  if (arg.size() > name.size() && arg.compare(0, name.size() + 1, name + "=") == 0)
    return {arg.substr(name.size() + 1), 1};
  if (arg != name) return {};
  if (index + 1 >= args.size()) throw std::invalid_argument(name + " needs a value");
  return {args[index + 1], 2};
}

std::string PlainPortName(const std::string& text) {
  const std::string normalised = NormalizePortName(text);
  return normalised == UpperCaseAscii(text) ? normalised : std::string();
}

int TakeCommonOption(const std::vector<std::string>& args, std::size_t index,
                     CommonOptions& options) {
  const std::string& arg = args[index];
  if (const OptionValue map = TakeOptionValue(args, index, "--map"); map.taken > 0) {
    options.maps.push_back(ParseMapping(map.text));
    return map.taken;
  }
  if (arg == "--simulate") {
    options.simulate = true;
    return 1;
  }
  if (arg.rfind("--simulate=", 0) == 0) {
    options.simulate = true;
    options.simulateImage = arg.substr(std::string("--simulate=").size());
    if (options.simulateImage.empty()) throw std::invalid_argument("--simulate= needs a file name");
    return 1;
  }
  if (const OptionValue speed = TakeOptionValue(args, index, "--sim-speed"); speed.taken > 0) {
    options.simSpeed = ParseSpeed(speed.text);
    return speed.taken;
  }
  return 0;
}

std::string CommonOptionsHelp() {
  return MapOptionHelp() +
         "  --simulate[=IMAGE]   built-in simulated readers: COM1 a good 24C64 card (kept in\n"
         "                       IMAGE when given), COM2 no card, COM3 a foreign card,\n"
         "                       COM4 a port held by another program\n"
         "  --sim-speed FACTOR   run simulated time FACTOR times faster (default 1, real time)\n";
}

std::string ApplyCommonOptions(const CommonOptions& options, PortChoices& choices) {
  const std::string notice = options.simulate ? "" : choices.Restore(!options.maps.empty());
  auto& directory = driver::PortDirectory::Instance();
  for (const auto& mapping : options.maps) directory.MapPort(mapping.port, mapping.path);
  if (options.simulate) driver::sim::AttachBuiltInScenarios(options.simulateImage, options.simSpeed);
  return notice;
}
